#pragma once

#include "core/Result.h"

#include <QList>

class DbConnection;

// The amounts of "caixa" are whole ten-thousandths. A book written by another
// tool may hold some as decimals (REAL 12.5 for 12,50) or as text; the grid
// reads each value as it stands, but the database adds them to the integers
// unscaled, so every sum (the panel, the balances, the report's totals)
// would be wrong. Such values are rewritten as ten-thousandths once, when the
// book is opened, all in one transaction.
namespace StoredAmounts {

struct Outcome
{
    qint64 rewritten = 0;     // entries whose amounts were rewritten
    QList<qint64> unreadable; // entries holding a value that is no amount, left as they are
};

// Nothing to do on an engine whose columns keep their declared type.
Result<Outcome> normalize(DbConnection& db);

} // namespace StoredAmounts
