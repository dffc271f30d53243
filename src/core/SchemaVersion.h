#pragma once

#include "core/Result.h"

#include <QSqlDatabase>
#include <QString>

// The version of the book's tables, kept in the book itself (the one-row
// table "schema_version"; a book without it is version 0, as every book made
// before versions were recorded), and the steps that bring an older book up
// to date. A change to the tables appends one step to the list in
// SchemaVersion.cpp; new books are made by the same steps, so a new book and
// an upgraded one are alike.
namespace SchemaVersion {

// The version this program writes.
int current();

// The version a book was written at.
Result<int> of(const QSqlDatabase& db);

// Runs every step after version `from`, recording the version each reaches,
// inside the caller's transaction.
Status applySteps(const QSqlDatabase& db, int from);

// Brings an older book to the current version: a copy of the book is kept
// first (in "Backups" beside it, as "bd-antes-da-versao-N.mdb"), then each
// step runs in a transaction of its own with the version it reaches, so an
// interruption leaves the book at a version it fully has. A book written by
// a newer program is refused and left as it is. Reasons are for the user.
Status upgrade(const QSqlDatabase& db, const QString& bookPath);

// Where the copy kept before an upgrade to `version` goes: a name no file
// holds yet.
QString copyBeforeUpgrade(const QString& bookPath, int version);

} // namespace SchemaVersion
