#pragma once

#include "core/Status.h"

#include <QString>

class DbConnection;
struct Session;

// The program's start-up routine, without the windows: main() shows the
// window it names.
namespace Startup {

enum class FirstWindow { Login, Main };

// Opens the book in the data folder (a failure shows the connection message
// and start-up goes on), gives it the search's word index when it lacks it,
// sets the common level, loads the settings and tells which window comes
// first. The older program's Access book is first converted into a book of
// this program.
FirstWindow Main(Session& session);

// The text of the message shown when the book cannot be opened.
QString connectionFailureText(const QString& reason);

} // namespace Startup
