#pragma once

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

// Creates all tables with all columns, and the indexes, in one transaction.
Status create(const QSqlDatabase& db);
// Adds the indexes a book should have; older files may lack them.
Status ensureIndexes(const QSqlDatabase& db);

} // namespace Schema
