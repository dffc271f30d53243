#include "app/Startup.h"

#include "core/BookFile.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/SearchIndex.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "legacy/AccessMigration.h"
#include "legacy/ReaderProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Startup {

QString connectionFailureText(const QString& reason)
{
    return reason + u'\n' +
           QCoreApplication::translate("Startup", "Não foi possivel conectar ao servidor");
}

namespace {

// The older program's book becomes a book of this program before it is
// opened; one that cannot be converted is left as it was and reported as a
// book that cannot be opened.
Status migrateAccessBook(Session& session, const QString& path)
{
    const QString reader =
        session.accessReader.isEmpty() ? ReaderProcess::defaultProgram() : session.accessReader;
    const auto result = AccessMigration::migrate(path, reader, session.dialogs);
    if (!result)
        return Status::failure(AccessMigration::failureText(path, result.reason()));
    session.dialogs.inform(nullptr, Dialogs::Icon::Information, AccessMigration::successTitle(),
                           AccessMigration::successText(*result));
    return Status::success();
}

// The search's word index, built once for a book that lacks it. A book that
// cannot take it (a read-only file, a full disk, a cancelled build) is used
// as it is; only the search waits for the next start.
void prepareSearch(Session& session)
{
    const Status ready = SearchIndex::ensure(session.db, session.dialogs);
    if (ready)
        return;
    session.dialogs.inform(
        nullptr, Dialogs::Icon::Exclamation, QCoreApplication::translate("Startup", "Atenção"),
        QCoreApplication::translate(
            "Startup", "A busca de lançamentos não pôde ser preparada: %1.\nO livro de caixa "
                       "pode ser usado normalmente; a busca será preparada na próxima vez que o "
                       "programa for aberto.")
            .arg(ready.reason()));
}

} // namespace

FirstWindow Main(Session& session)
{
    const QString path = DataFolder::bookPath(session.dataDir);
    Status opened = Status::success();
    if (BookFile::kind(path) == BookFile::Kind::Access)
        opened = migrateAccessBook(session, path);
    if (opened)
        opened = session.db.open(path);
    if (!opened) {
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation,
                               QCoreApplication::translate("Startup", "A T E  Ç Ã O"),
                               connectionFailureText(opened.reason()));
    } else {
        prepareSearch(session);
    }
    session.CurrentUser = UserInfo();
    LoadSettings(session.db, session.Settings);
    return session.Settings.susuario ? FirstWindow::Login : FirstWindow::Main;
}

} // namespace Startup
