#include "app/BackupRestore.h"

#include "app/Startup.h"
#include "app/StoredSecrets.h"
#include "book/BackupList.h"
#include "book/BookRestore.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/ServerAddress.h"
#include "core/Session.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSysInfo>

bool BackupRestore::possible(QWidget* parent, Session& session)
{
    // A server book takes no desk lock.
    const bool held = session.db.isServer() || (session.bookLock && session.bookLock->isTaken());
    if (!session.bookOpen || !held) {
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
    if (session.db.isServer()) {
        toServer(parent, session, backupPath);
        return false;
    }
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

// A server book is never replaced under the desks using it: the backup fills
// an empty database the user names, and the desks move to it when their
// connection files say so.
void BackupRestore::toServer(QWidget* parent, Session& session, const QString& backupPath)
{
    auto suggestion = ServerAddress::parse(session.db.location());
    if (suggestion)
        suggestion->database += QStringLiteral("_restaurado");
    const auto typed = session.dialogs.askText(
        parent, tr("Restaurar backup"),
        tr("O backup é gravado num banco de dados vazio do servidor, nunca sobre o livro em "
           "uso.\nEndereço do banco de dados vazio:"),
        suggestion ? suggestion->display() : QString());
    if (!typed)
        return;
    const auto failed = [&](const QString& reason) {
        session.dialogs.inform(
            parent, Dialogs::Icon::Critical, tr("Restaurar backup"),
            tr("O backup de %1 não foi restaurado:\n%2").arg(momentOf(backupPath), reason));
    };
    const auto address = ServerAddress::parse(typed->trimmed());
    if (!address)
        return failed(address.reason());
    DbConnection target;
    if (Status opened = Startup::connectToServer(session.dialogs, parent, target, *address);
        !opened)
        return failed(opened.reason());
    if (!target.createdBook())
        return failed(tr("o banco de dados %1 não está vazio; um backup só é gravado num banco "
                         "de dados vazio.")
                          .arg(address->display()));
    QDate lastDay;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const Status restored = BookRestore::toServer(backupPath, session.db, target, lastDay);
    QGuiApplication::restoreOverrideCursor();
    if (!restored)
        return failed(restored.reason() +
                      tr("\nO banco de dados %1 ficou sem lançamentos.").arg(address->display()));
    session.dialogs.inform(
        parent, Dialogs::Icon::Information, tr("Restaurar backup"),
        tr("O backup de %1 foi gravado no banco de dados %2 e conferido. %3\n\nO livro em uso "
           "não foi alterado. Para usar o livro restaurado, troque o endereço no arquivo "
           "livro-caixa.ini de cada caixa para\nurl=%2\ne abra o programa de novo.")
            .arg(momentOf(backupPath), address->display(),
                 lastDay.isValid()
                     ? tr("O livro restaurado termina em %1.").arg(Formats::date(lastDay))
                     : tr("O livro restaurado não tem lançamentos.")));
}
