#pragma once

#include "core/Status.h"
#include "legacy/SourceBook.h"

#include <QStringList>

class Progress;

// Runs the Access reader in a process of its own, so that a crash inside
// libmdb cannot take the program down, and collects what it writes while a
// progress window counts the rows as they arrive.
namespace ReaderProcess {

// The reader beside the running program.
QString defaultProgram();

// Fails, with a reason for the user, when the reader cannot be started, stays
// silent for `quietSeconds`, or the user cancels; the reader's own verdict is
// left in `output` for SourceBook::parse.
Status run(const QString& program, const QStringList& arguments, Progress& progress,
           SourceBook::ReaderOutput& output, int quietSeconds = 60);

} // namespace ReaderProcess
