#pragma once

#include "core/Result.h"
#include "legacy/ReaderProcess.h"

#include <QString>
#include <QStringList>

#include <optional>

class Dialogs;

// Turns the older program's Access book (a Jet file named bd.mdb) into a cash
// book of this program. Nothing is lost or half done: the Access file is read
// whole and checked before anything is written; the new book is written under
// a temporary name and checked against it; only then does it take the name
// bd.mdb, in one rename. The original stays in the data folder, byte for
// byte, under a name of its own that no later migration overwrites.
namespace AccessMigration {

// What came over.
struct Converted
{
    qint64 entries = 0;
    qint64 accounts = 0;
    qint64 users = 0;
    // Where the Access file was kept.
    QString keptOriginal;
    // What went wrong after the new book took its place (the original's
    // permissions, the folder's flush to the disk), for the user to know.
    QStringList notes;
};

// Migrates the Access file at bookPath, reading it with readerProgram
// (livro-caixa-mdb) and showing the progress through dialogs. On failure the
// file at bookPath is as it was and nothing else is left behind. The reader
// runs within the limits for the file's size unless others are given.
::Result<Converted> migrate(const QString& bookPath, const QString& readerProgram, Dialogs& dialogs,
                            const std::optional<ReaderProcess::Limits>& limits = std::nullopt);

// What the user is told.
QString successTitle();
QString successText(const Converted& result);
QString failureText(const QString& bookPath, const QString& reason);

// The names the original is kept under, tried in order: bd-access-original.mdb,
// then bd-access-original-2.mdb and so on.
QString keptOriginalName(const QString& folder, int attempt);

} // namespace AccessMigration
