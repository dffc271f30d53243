#pragma once

#include "core/Result.h"

#include <QSqlDatabase>
#include <QStringList>

// The totals per day and account ("day_totals") are figures derived from the
// entries: the book's triggers keep them in the transaction of every write,
// and they can always be rebuilt from the entries and checked against them.
namespace DayTotals {

// Empties the totals and sums them again from the entries, inside the
// caller's transaction.
Status rebuild(const QSqlDatabase& db);

// Where the totals and the entries disagree, a line per day and account
// (at most a few); empty when they agree.
Result<QStringList> differences(const QSqlDatabase& db);

// Checked each time a book opens, cheaply: the triggers are in place and the
// totals count as many entries as the book holds. A book whose totals were
// not kept (another tool dropped the triggers, or wrote around them) gets
// its triggers back and its totals rebuilt, in one transaction.
Status ensureKept(const QSqlDatabase& db);

} // namespace DayTotals
