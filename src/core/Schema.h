#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The tables of the cash book and the statements that create them. Engine
// specific text lives here and nowhere else.
namespace Schema {

// Columns every book has had since the first version; a file that lacks any of
// them is not a cash book.
QStringList originalColumns(const QString& table);
// Columns added in later versions, which EnsureColumn adds to older books.
QStringList lateColumns(const QString& table);
QStringList tableNames();

// Creates all tables with all columns, and the indexes, in one transaction
// (on a server, unless another desk has just made them):
// the tables every book has had, then every step of SchemaVersion, so a new
// book is exactly what an upgraded one becomes.
Status create(const QSqlDatabase& db);
// Adds the indexes a book should have; older files may lack them.
Status ensureIndexes(const QSqlDatabase& db);

// Inside a transaction that changes the tables of a server book: waits for
// any other desk doing the same, until the transaction ends. Nothing on a
// file book, which one program uses at a time.
Status lockForChange(const QSqlDatabase& db);
// After rows were copied in with their ids: a server's id sequences are set
// past the highest id of each table, so the next new row gets a new id.
// Nothing on a file book, whose next id always follows the highest.
Status setIdsPastRows(const QSqlDatabase& db);
// How many tables a server database holds: none in a database that may
// become a new book.
Result<qint64> serverTableCount(const QSqlDatabase& db);

// The one-row table "schema_version" that records the book's version.
Status createVersionTable(const QSqlDatabase& db);

// The totals per day and account that opening balances are read from
// ("day_totals": day, account, sums in and out, number of entries), and the
// triggers that keep them, and the figures of "saldos" for days that have
// one, in step with every write to "caixa", whoever makes it, in the same
// transaction. Entries without a date count in no total.
Status createDayTotals(const QSqlDatabase& db);
// Replaces the triggers by the ones this program writes.
Status createDayTotalTriggers(const QSqlDatabase& db);
// Whether every one of those triggers is in the book.
Result<bool> hasDayTotalTriggers(const QSqlDatabase& db);

} // namespace Schema
