#include "app/StoredSecrets.h"

#include "book/UserStore.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/FileAccess.h"
#include "core/Session.h"

#include <QCoreApplication>
#include <QFile>

namespace StoredSecrets {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("StoredSecrets", text);
}

// Remembers across runs that the old text may still be in the file.
void noteCompactionOwed(const QString& bookPath)
{
    QFile note(compactionOwedPath(bookPath));
    // Without the note the compaction is simply not tried again: the user
    // has been told already.
    if (note.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        note.write("VACUUM pendente\n") > 0) {
        note.close();
        static_cast<void>(FileAccess::protect(note.fileName()));
    }
}

void compact(Session& session)
{
    const QString bookPath = session.db.filePath();
    const Status compacted = UserStore(session.db).compactFile();
    if (compacted) {
        QFile::remove(compactionOwedPath(bookPath));
        return;
    }
    noteCompactionOwed(bookPath);
    session.dialogs.inform(
        nullptr, Dialogs::Icon::Exclamation, tr("Atenção"),
        tr("As senhas do livro de caixa estão protegidas, mas o arquivo não pôde ser "
           "compactado: o texto das senhas antigas ainda pode estar no espaço livre do arquivo. "
           "O programa tentará de novo na próxima vez que abrir o livro."),
        compacted.reason());
}

} // namespace

QString compactionOwedPath(const QString& bookPath)
{
    return bookPath + QStringLiteral(".compactar");
}

void protect(Session& session)
{
    if (!session.db.isOpen())
        return;
    const auto converted = UserStore(session.db).convertPlainTextSecrets();
    if (!converted) {
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation, tr("Atenção"),
                               tr("As senhas gravadas no livro de caixa não puderam ser "
                                  "protegidas:\n%1")
                                   .arg(converted.reason()));
        return;
    }
    // A server keeps no free pages of a file for old texts to linger in.
    if (session.db.isServer())
        return;
    if (*converted > 0 || QFile::exists(compactionOwedPath(session.db.filePath())))
        compact(session);
}

} // namespace StoredSecrets
