#include "app/ExitBackup.h"

#include "core/Clock.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Session.h"

#include <QDir>
#include <QGuiApplication>
#include <QWidget>

void ExitBackup::run(QWidget* window, Session& session)
{
    // Without a book there is nothing to back up.
    if (!session.bookOpen)
        return;
    window->setWindowTitle(tr("Finalizando software e realizando backup, aguarde..."));
    window->setCursor(Qt::WaitCursor);
    window->repaint();

    const bool wanted =
        session.Settings.bkpautomatico ||
        session.dialogs.askYesNo(window, tr("Backup"),
                                 tr("Deseja realizar backup do seu banco de dados agora?\n"
                                    "Pode ser que demore um pouco."));
    if (!wanted)
        return;

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Backup::Outcome result = RunBackup(session);
    QGuiApplication::restoreOverrideCursor();

    if (!result.copy) {
        session.dialogs.inform(
            window, Dialogs::Icon::Critical, tr("Backup"),
            tr("O backup do livro de caixa não foi feito.\n%1").arg(result.copy.reason()));
    } else if (!result.prune) {
        session.dialogs.inform(
            window, Dialogs::Icon::Exclamation, tr("Backup"),
            tr("O backup foi gravado em %1.\n%2")
                .arg(QDir::toNativeSeparators(result.file), result.prune.reason()));
    }
}

Backup::Outcome RunBackup(Session& session)
{
    if (session.db.isServer())
        return Backup::makeOfServer(session.db, session.dataDir, session.Settings.qtdarquivosbkp,
                                    session.clock.now());
    session.db.close();
    return Backup::make(DataFolder::bookPath(session.dataDir), session.Settings.qtdarquivosbkp,
                        session.clock.now());
}
