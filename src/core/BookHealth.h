#pragma once

#include "core/Result.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Whether a book is sound, at a price each start can pay. SQLite's quick
// check reads every page but does not compare the indexes with the rows;
// the full integrity check does, at about a second per million entries. The
// full check therefore runs only when the file changed since this program
// last closed it cleanly: a crash, another program, a restored or copied
// file. What the file looked like then is kept beside it
// ("bd.mdb.fechamento"): SQLite's change counter (which every committed
// write moves), the size, the modification time and the file's identity.
namespace BookHealth {

// Where the state at the last clean close is kept.
QString recordPath(const QString& bookPath);

// True when the book is exactly as this program left it at its last clean close.
bool unchangedSinceCleanClose(const QString& bookPath);

// Records the book as it is now; called right after the connection closed cleanly.
Status recordCleanClose(const QString& bookPath);

// What SQLite's check found.
struct Verdict
{
    QStringList problems; // empty: sound
    // Every problem is an index that disagrees with its table, which
    // rebuilding the indexes repairs without touching a row.
    bool indexesOnly = false;
    bool sound() const { return problems.isEmpty(); }
};

// The quick check, or the full one that also compares indexes with tables.
Result<Verdict> check(const QSqlDatabase& db, bool full);

// Rebuilds every index of the closed book at bookPath from its rows and
// checks the whole file again.
Status rebuildIndexes(const QString& bookPath);

} // namespace BookHealth
