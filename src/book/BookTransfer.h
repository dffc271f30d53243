#pragma once

#include "core/Status.h"

#include <QDateTime>
#include <QString>

class DbConnection;

// Moving a whole book between the engines: a file book copied into an empty
// server database (--copy-book-to), and a server book written out as a file
// book (its backup). Ids are kept. Each copy is checked, rows per table, sums
// per account and the users, against its source before it counts as made.
namespace BookTransfer {

// Copies the open book `from` into `to`, a book just created with no rows,
// in one transaction of `to`: a copy that fails or does not check out leaves
// `to` as empty as it was. On a server the id sequences are then set past
// the copied ids.
Status copyInto(DbConnection& from, DbConnection& to);

// Writes the server book `server` as a new file book at `filePath` (which
// must not exist), read from one moment of the server: one repeatable-read
// transaction, on a connection of its own.
Status writeFileCopy(const DbConnection& server, const QString& filePath);

} // namespace BookTransfer
