#pragma once

#include "core/Result.h"

#include <QSqlDatabase>
#include <QString>

// What makes the search of entries fast on a server book. Each entry keeps
// its searchable text folded (column "busca" of caixa: the description and
// the document number in lower case, without accents, every run of
// characters that are not letters or digits made one space, a space before
// the first word), computed by the server itself on every write, so a word
// is found at the beginning of a word with "busca like '% word%'". A
// trigram index (pg_trgm) answers those patterns, and two indexes of the
// amounts answer an amount.
//
// The folding needs PostgreSQL's unaccent, and the index pg_trgm: two
// extensions of PostgreSQL's own contrib that a database owner may add. When
// the book's user may not add them, the book is used without the column and
// the index: the search folds the texts as it reads them (foldedText()),
// slower on a big book but finding the same entries, and the log says once
// what the server's administrator can do.
namespace ServerSearchIndex {

// Adds what is missing, inside the caller's transaction: the indexes of the
// amounts always; the extensions, the column and the trigram index when the
// server allows them, else nothing of them (and a line in the log).
Status create(const QSqlDatabase& db);

// At the opening of a server book: when the column or the trigram index is
// missing (the extensions were not there when the book was made or
// upgraded), tries once more to add them, in a transaction of its own.
// What cannot be added is said in the log; the search works without it.
Status ensure(const QSqlDatabase& db);

// Whether caixa has the folded text column.
Result<bool> hasFoldedColumn(const QSqlDatabase& db);
// Whether the trigram index over it is in the book.
Result<bool> hasTrigramIndex(const QSqlDatabase& db);

// The folded text of the caixa row `alias`, as a statement reads it: its
// column when the book has it, else the same folding done as the row is
// read (Portuguese accents only, which is what the book holds).
QString foldedText(const QString& alias, bool hasColumn);

// What the server's administrator runs, as a superuser, in the book's
// database, when the book's user may not add the extensions.
QString administratorCommand();

} // namespace ServerSearchIndex
