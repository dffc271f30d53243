#include "app/BackupRestore.h"

#include "app/Startup.h"
#include "app/StoredSecrets.h"
#include "book/BackupList.h"
#include "book/BookRestore.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSysInfo>

bool BackupRestore::possible(QWidget* parent, Session& session)
{
    // A backup is a book file: on a server it may only fill an empty
    // database, never replace a live one that other desks are using.
    if (session.db.isServer()) {
        session.dialogs.inform(
            parent, Dialogs::Icon::Information, tr("Restaurar backup"),
            tr("A restauração de um livro no servidor não é feita por aqui: um backup só pode "
               "ser gravado num banco de dados vazio do servidor, nunca sobre o livro que os "
               "caixas estão usando.\n\nPara isso, copie o backup com o nome bd.mdb para uma "
               "pasta só dele e, com um banco de dados vazio criado no servidor, rode:\n"
               "livro-caixa --data-dir PASTA --copy-book-to postgresql://usuario@servidor/banco"));
        return false;
    }
    if (!session.bookOpen || !session.bookLock || !session.bookLock->isTaken()) {
        session.dialogs.inform(
            parent, Dialogs::Icon::Exclamation, tr("Restaurar backup"),
            tr("Nenhum livro de caixa está aberto: %1").arg(session.noBookReason));
        return false;
    }
    return true;
}

namespace {

QString momentOf(const QString& backupPath)
{
    QDateTime moment = BackupList::momentOf(QFileInfo(backupPath).fileName());
    if (!moment.isValid())
        moment = QFileInfo(backupPath).lastModified();
    return Formats::date(moment.date()) + u' ' + moment.time().toString(QStringLiteral("HH:mm:ss"));
}

QString endsOn(const QDate& day)
{
    return day.isValid()
               ? BackupRestore::tr("O livro de caixa agora termina em %1.").arg(Formats::date(day))
               : BackupRestore::tr("O livro de caixa agora não tem lançamentos.");
}

} // namespace

bool BackupRestore::run(QWidget* parent, Session& session, const QString& backupPath)
{
    BookRestore::Record record{QFileInfo(backupPath).fileName(), QDate(), QDate()};
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BookRestore::Outcome outcome = BookRestore::run(
        session.db, backupPath, session.Settings.qtdarquivosbkp, std::move(record));
    // Whatever happened, the book under the book's name is opened again:
    // the restored one, or the one that stayed.
    if (!session.db.isOpen())
        Startup::reopen(session);
    if (outcome.replaced)
        StoredSecrets::protect(session);
    QGuiApplication::restoreOverrideCursor();

    if (!outcome.status) {
        session.dialogs.inform(parent, Dialogs::Icon::Critical, tr("Restaurar backup"),
                               tr("O backup de %1 não foi restaurado:\n%2")
                                   .arg(momentOf(backupPath), outcome.status.reason()));
        return outcome.replaced;
    }
    QString text = tr("O backup de %1 foi restaurado. %2\n\nO livro como estava antes foi "
                      "guardado no backup %3.")
                       .arg(momentOf(backupPath), endsOn(outcome.lastEntryDay),
                            QDir::toNativeSeparators(outcome.safetyBackup));
    if (!outcome.prune)
        text += u'\n' + outcome.prune.reason();
    session.dialogs.inform(parent, Dialogs::Icon::Information, tr("Restaurar backup"), text);
    return true;
}
