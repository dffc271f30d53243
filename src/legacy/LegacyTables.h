#pragma once

#include "core/Money.h"
#include "core/Status.h"

#include <QMap>
#include <QSqlDatabase>
#include <QString>

#include <map>
#include <optional>

class Progress;
class SourceBook;

// How the tables of an Access book become the tables of a new cash book, and
// the figures that show the copy is whole.
namespace LegacyTables {

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
};

// Every table with every column the cash book has always had, each in an
// Access type that converts exactly; the later columns may be missing.
Status checkLayout(const SourceBook& source);

// Copies every row into the empty tables of a new book in one transaction:
// ids kept, rows in id order (saldos in date order, opcoes as stored), values
// converted exactly, empty texts and nulls as null, missing columns null.
// `figures` are counted from the source as the rows go in.
Status write(QSqlDatabase db, const SourceBook& source, Progress& progress, Figures& figures);

// Reads the same figures back from the new book and compares them.
Status verify(QSqlDatabase db, const Figures& expected);

} // namespace LegacyTables
