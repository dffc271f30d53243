#pragma once

#include "core/Result.h"

#include <QDate>
#include <QString>

class DbConnection;
class Dialogs;
class Progress;

// The word index of the entries on an SQLite book: an FTS5 table over each
// entry's description, document number and account name, folded to lower
// case without accents. Triggers on caixa and contas keep it in step with
// every write, inside the write's own transaction, so a rolled-back write
// leaves the index as it was.
//
// The index is the table caixa_busca, which reads the entries through the
// view caixa_busca_origem; caixa_busca_termos lists its words. Two indexes
// of the amounts (caixa_entrada, caixa_saida) come with it.
//
// Its rows are keyed by the entry's day, minute and id (see key()), so the
// index itself lists the entries newest first and takes a range of days:
// the first results of a word come without sorting the whole book.
namespace SearchIndex {

// Entries are indexed when their id is from 1 to kIdLimit - 1 (the ids
// this program gives count up from 1).
inline constexpr qint64 kIdLimit = qint64(1) << 31;

// The key of an entry: (days since 01/01/1900 * 1440 + minute of the day)
// * kIdLimit + id. Unique for every id, and in the order of day, minute and
// id. A day that is not a date counts as 01/01/1900, a time that is not a
// time as 00:00.
qint64 key(const QDate& day, int minuteOfDay, qint64 id);
// The first key of a day; the entries of the days before have smaller keys.
qint64 firstKeyOf(const QDate& day);
inline qint64 idOfKey(qint64 key)
{
    return key % kIdLimit;
}
// The same key in SQL, over the columns of a caixa row named `alias`.
QString keySql(const QString& alias);

// Whether the book has the index (its table and triggers).
Result<bool> exists(DbConnection& db);

// Creates the index and fills it from the entries, in one transaction; the
// progress counts the entries. A cancelled or failed build leaves the book
// as it was. An older book first gets the document number column.
Status create(DbConnection& db, Progress& progress);

// Creates the index when the book lacks it, with a progress window when
// the book holds more than a few entries; nothing to do otherwise. On a
// server book, ServerSearchIndex::ensure.
Status ensure(DbConnection& db, Dialogs& dialogs);

// Compares the index with the entries it was built from; a failure when
// they differ.
Status check(DbConnection& db);

} // namespace SearchIndex
