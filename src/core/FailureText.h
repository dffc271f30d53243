#pragma once

#include "core/Status.h"

#include <QString>

// What a shopkeeper is told when a write fails: the cause in plain words and
// what was not done, "O disco está cheio: o lançamento não foi gravado.",
// while the database's own text goes to the message's details.
namespace FailureText {

// `notDone` says what did not happen, in lower case ("o lançamento não foi
// gravado"). Empty when the failure has no cause to tell in plain words.
QString plain(const Status& failure, const QString& notDone);

} // namespace FailureText
