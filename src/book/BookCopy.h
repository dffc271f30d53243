#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QMap>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// Copying a whole book into the empty tables of another, row by row with the
// ids kept, and the figures that show a copy is whole.
namespace BookCopy {

struct AccountTotals
{
    qint64 entries = 0;
    Money in;
    Money out;
    friend bool operator==(const AccountTotals&, const AccountTotals&) = default;
};

// Rows per table, and per idconta (a missing account included) the number of
// entries and the sums of entrada and saida.
struct Figures
{
    QMap<QString, qint64> rows;
    std::map<std::optional<qint64>, AccountTotals> accounts;

    // Counts one entry of an account; a failure when a sum would not fit.
    Status countEntry(std::optional<qint64> account, std::optional<Money> in,
                      std::optional<Money> out);
};

// Inserts rows into one table, with the values given for the columns given
// (the ids among them). The statement is prepared once for every row.
class RowInserter
{
public:
    RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns);
    Status prepare();
    Status insert(const QVariantList& values);

private:
    QString m_table;
    QStringList m_columns;
    QSqlQuery m_query;
};

// The figures of a book as its tables hold them.
Result<Figures> read(const QSqlDatabase& db);

// Whether a copy holds what its source was counted to hold; the reason names
// the first difference.
Status compare(const Figures& expected, const Figures& found);

// SQLite's own check of every page of the book.
Status integrityCheck(const QSqlDatabase& db);

} // namespace BookCopy
