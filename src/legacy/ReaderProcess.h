#pragma once

#include "core/Status.h"
#include "legacy/SourceBook.h"

#include <QStringList>

class Progress;

// Runs the Access reader in a process of its own, so that a crash inside
// libmdb cannot take the program down, and collects what it writes while a
// progress window counts the rows as they arrive.
namespace ReaderProcess {

// How far the reader may go before it is stopped. A damaged file can send
// libmdb round in circles: printing the same warning forever, writing rows
// without end, or growing without a word. Every one of these ends the read.
struct Limits
{
    // No output at all for this long: the reader is stuck.
    int quietSeconds = 30;
    // The whole read, however busy the reader looks.
    int totalSeconds = 300;
    // What the reader may write on its standard output (the rows).
    qint64 outputBytes = 256LL << 20;
    // The reader's resident memory.
    qint64 memoryBytes = 1LL << 30;
    // What is kept of the reader's standard error for the message.
    qint64 warningBytes = 4096;
    // After the first warning the read has failed; the reader may still be
    // about to say why in its own words, and gets this long to end.
    int graceMilliseconds = 1000;

    // Limits for a file of that size: a larger book takes longer and writes more.
    static Limits forFile(qint64 fileBytes);
};

// The reader beside the running program.
QString defaultProgram();

// Fails, with a reason for the user, when the reader cannot be started,
// passes one of the limits, or the user cancels. Any text on the reader's
// standard error already means the read failed: the reader is given the
// grace time to end by itself, then stopped, and no more than the first
// few kilobytes of that text are kept in `output.warnings`. The reader's
// own verdict is left in `output` for SourceBook::parse.
Status run(const QString& program, const QStringList& arguments, Progress& progress,
           SourceBook::ReaderOutput& output, const Limits& limits = Limits());

} // namespace ReaderProcess
