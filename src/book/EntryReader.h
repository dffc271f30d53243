#pragma once

#include "core/Result.h"

#include <QDate>
#include <QHash>
#include <QString>

class DbConnection;
class EntryRows;

// Reads entries and account names for the main grid.
namespace EntryReader {

enum class Outcome { Read, MissingNdoc };

// The entries dated from first to last, both included, ordered by date, time
// and id. An older book without the "ndoc" column gives MissingNdoc and no
// rows, so the caller can repair the table and read again.
Result<Outcome> readPeriod(DbConnection& db, const QDate& first, const QDate& last,
                           EntryRows& rows);

// Every account's name by id, read once per refresh.
Result<QHash<qint64, QString>> accountNames(DbConnection& db);

} // namespace EntryReader
