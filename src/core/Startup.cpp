#include "core/Startup.h"

#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace Startup {

QString bookPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("bd.mdb"));
}

QString connectionFailureText(const QString& reason)
{
    return reason + u'\n' + QCoreApplication::translate("Startup", "Não foi possivel conectar ao servidor");
}

FirstWindow Main(Session& session)
{
    if (Status opened = session.db.open(bookPath(session.dataDir)); !opened) {
        session.dialogs.inform(nullptr, Dialogs::Icon::Exclamation,
                               QCoreApplication::translate("Startup", "A T E  Ç Ã O"),
                               connectionFailureText(opened.reason()));
    }
    session.CurrentUser = UserInfo();
    LoadSettings(session.db, session.Settings);
    return session.Settings.susuario ? FirstWindow::Login : FirstWindow::Main;
}

Status disableLogin(DbConnection& db)
{
    QSqlQuery q(db.database());
    if (!q.exec(QStringLiteral("update opcoes set susuario = 0")))
        return Status::failure(q.lastError().text());
    return Status::success();
}

QString resolveDataDir(const QString& commandLineDir, const QString& programDir, const QString& userDataDir)
{
    if (!commandLineDir.isEmpty())
        return QDir(commandLineDir).absolutePath();
    if (!programDir.isEmpty() && QFileInfo::exists(bookPath(programDir)))
        return QDir(programDir).absolutePath();
    return QDir(userDataDir).absolutePath();
}

} // namespace Startup
