#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QCoreApplication>
#include <QDate>

#include <optional>

class DbConnection;

// The sums behind the balance panel and the opening balance, read from the
// totals per day and account that the book keeps with every entry write, so
// their cost does not grow with the number of entries. Sums are done by the
// database on the integer money columns, so they are exact; a sum too large
// for the money type is an error, never a wrapped number.
namespace Balances {

struct Sums
{
    Money in; // a null sum counts as zero
    Money out;
    // The net movement, or nothing when it does not fit the money type.
    std::optional<Money> net() const { return in.minus(out); }
};

// Entries dated before the cut-off day; of one account when accountId >= 1.
Result<Sums> before(DbConnection& db, const QDate& cutoff, qint64 accountId);
// Entries of one day, all accounts.
Result<Sums> ofDay(DbConnection& db, const QDate& day);
// Entries from first to last, both included, all accounts.
Result<Sums> ofPeriod(DbConnection& db, const QDate& first, const QDate& last);

// The balance of every entry before the cut-off day (of one account when
// accountId >= 1): what the main grid and the report start their running
// balances from.
Result<Money> openingBalance(DbConnection& db, const QDate& cutoff, qint64 accountId);

// Stores a day's net movement in "saldos": the day's row is overwritten,
// or added when there is none.
Status SaveDayBalance(DbConnection& db, Money amount, const QDate& day);

} // namespace Balances
