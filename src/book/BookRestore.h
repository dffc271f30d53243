#pragma once

#include "core/Status.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>

class DbConnection;
class WriteContext;

// A backup put in the place of the book. The backup is copied beside the
// book under a temporary name and that copy is opened as a book (the whole
// file checked, an older version upgraded) and the restore recorded in it;
// then the book's connection closes, the book as it was is backed up as at
// every exit, and only then the copy takes the book's name in one rename.
// A crash at any moment leaves either the old book or the restored one
// under the book's name, whole; a leftover copy is cleared by the next
// restore. The desk lock is not touched: the caller keeps holding it.
class BookRestore
{
    Q_DECLARE_TR_FUNCTIONS(BookRestore)

public:
    // The moments between two steps, where a crash may strike.
    enum class Step { Staged, Prepared, Closed, CurrentBackedUp, Replaced };

    // What the book's change log says of the restore (who and when come
    // from the connection's write context, as for any change).
    struct Record
    {
        QString backupName;
        QDate replacedLastEntry;   // the last entry's day of the book replaced
        QDate replacedLastClosing; // and its latest closed day (none: invalid)
    };

    struct Outcome
    {
        Status status = Status::success();
        // Whether the book is now the backup's (the connection is closed
        // either way once the current book was closed for its backup).
        bool replaced = false;
        QString safetyBackup; // the backup of the book as it was
        Status prune = Status::success();
        QDate lastEntryDay; // of the restored book
    };

    // The name of the copy while it is prepared, beside the book.
    static QString stagingPath(const QString& bookPath);

    // Replaces the book open on db (a file book) with the backup. `keep` is
    // the number of backups to keep; `record` says who restores and when.
    // afterStep, when given, runs after each step: false abandons the restore
    // right there, leaving the files as a crash at that moment would.
    static Outcome run(DbConnection& db, const QString& backupPath, int keep, Record record,
                       const std::function<bool(Step)>& afterStep = {});

    // Writes the backup into `server`, a server book just made in an empty
    // database, for the book open on `current` (a server book, which is
    // never replaced under the desks using it). The backup is checked and
    // brought up to date in a copy of its own, the restore recorded in that
    // copy's change log (signed by current's writer, naming current's last
    // entry and closing), and the copy then moved into the server in one
    // transaction, checked figure by figure: a failure leaves the database
    // as empty as it was. restoredLastDay is the restored book's last day.
    static Status toServer(const QString& backupPath, DbConnection& current, DbConnection& server,
                           QDate& restoredLastDay);

    // Where the restore is written into the restored book's change log,
    // inside the restored copy before it takes the book's name.
    static Status recordInChangeLog(DbConnection& restored, const Record& record);

private:
    static Status prepare(const QString& staged, const Record& record, const WriteContext& writer,
                          QDate& lastDay);
    static Status replace(const QString& staged, const QString& bookPath);
};
