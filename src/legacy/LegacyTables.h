#pragma once

#include "book/BookCopy.h"
#include "core/Status.h"

#include <QSqlDatabase>

class Progress;
class SourceBook;

// How the tables of an Access book become the tables of a new cash book, and
// the figures that show the copy is whole.
namespace LegacyTables {

using AccountTotals = BookCopy::AccountTotals;
using Figures = BookCopy::Figures;

// Every table with every column the cash book has always had, each in an
// Access type that converts exactly; the later columns may be missing.
Status checkLayout(const SourceBook& source);

// Copies every row into the empty tables of a new book in one transaction:
// ids kept, rows in id order (saldos in date order, opcoes as stored), values
// converted exactly, empty texts and nulls as null, missing columns null.
// `figures` are counted from the source as the rows go in.
Status write(const QSqlDatabase& db, const SourceBook& source, Progress& progress,
             Figures& figures);

// Reads the same figures back from the new book and compares them.
Status verify(const QSqlDatabase& db, const Figures& expected);

} // namespace LegacyTables
