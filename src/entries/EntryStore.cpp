#include "entries/EntryStore.h"

#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Formats.h"
#include "core/Transaction.h"
#include "entries/AccountBook.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EntryStore", text);
}

std::optional<std::optional<qint64>> accountOfEntry(QSqlDatabase db, qint64 id, QString* error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select idconta from caixa where id = ?"));
    q.addBindValue(id);
    if (!q.exec()) {
        *error = q.lastError().text();
        return std::nullopt;
    }
    if (!q.next()) {
        *error = tr("o lançamento %1 não existe mais no livro de caixa").arg(id);
        return std::nullopt;
    }
    return q.value(0).isNull() ? std::optional<qint64>() : std::optional<qint64>(q.value(0).toLongLong());
}

} // namespace

EntryStore::EntryStore(DbConnection& db) : m_db(db) {}

// Older books lack the document number column: it is added once, before
// the first entry that needs it is written.
Status EntryStore::ensureDocumentNumberColumn()
{
    if (m_db.database().record(QStringLiteral("caixa")).indexOf(QStringLiteral("ndoc")) >= 0)
        return Status::success();
    if (!EnsureColumn(m_db, QStringLiteral("caixa"), QStringLiteral("ndoc"), QStringLiteral("varchar (255)")))
        return Status::failure(tr("não foi possível acrescentar a coluna do número de documento (ndoc) ao livro de caixa"));
    return Status::success();
}

EntryStore::SaveResult EntryStore::save(qint64 id, const Entry& entry)
{
    if (Status column = ensureDocumentNumberColumn(); !column)
        return {column, 0};
    const auto accountId = AccountBook(m_db).idOf(entry.account);
    if (!accountId)
        return {Status::failure(tr("a conta \"%1\" não existe mais").arg(entry.account)), 0};

    QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.started())
        return {Status::failure(transaction.startError()), 0};
    std::optional<qint64> formerAccount;
    if (id != 0) {
        QString error;
        const auto former = accountOfEntry(db, id, &error);
        if (!former)
            return {Status::failure(error), 0};
        formerAccount = *former;
    }
    SaveResult result = write(id, *accountId, entry);
    if (!result.status)
        return result;
    if (Status balance = AccountBook::storeBalance(db, *accountId); !balance)
        return {balance, 0};
    if (formerAccount && *formerAccount != *accountId) {
        if (Status balance = AccountBook::storeBalance(db, *formerAccount); !balance)
            return {balance, 0};
    }
    if (Status committed = transaction.commit(); !committed)
        return {committed, 0};
    return result;
}

EntryStore::SaveResult EntryStore::write(qint64 id, qint64 accountId, const Entry& entry)
{
    QSqlQuery q(m_db.database());
    if (id != 0) {
        q.prepare(QStringLiteral("update caixa set data = ?, hora = ?, idconta = ?, ndoc = ?, descricao = ?, "
                                 "entrada = ?, saida = ? where id = ?"));
    } else {
        q.prepare(QStringLiteral("insert into caixa (data, hora, idconta, ndoc, descricao, entrada, saida) "
                                 "values (?, ?, ?, ?, ?, ?, ?)"));
    }
    q.addBindValue(Formats::dbDate(entry.data));
    q.addBindValue(Formats::dbTime(entry.hora));
    q.addBindValue(accountId);
    q.addBindValue(entry.ndoc.trimmed());
    q.addBindValue(entry.descricao);
    q.addBindValue(entry.entrada.toDb());
    q.addBindValue(entry.saida.toDb());
    if (id != 0)
        q.addBindValue(id);
    if (!q.exec())
        return {Status::failure(q.lastError().text()), 0};
    if (id != 0 && q.numRowsAffected() == 0)
        return {Status::failure(tr("o lançamento %1 não existe mais no livro de caixa").arg(id)), 0};
    return {Status::success(), id != 0 ? id : q.lastInsertId().toLongLong()};
}

Status EntryStore::remove(qint64 id)
{
    QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.started())
        return Status::failure(transaction.startError());
    QString error;
    const auto account = accountOfEntry(db, id, &error);
    if (!account)
        return Status::failure(error);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("delete from caixa where id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    if (*account) {
        if (Status balance = AccountBook::storeBalance(db, **account); !balance)
            return balance;
    }
    return transaction.commit();
}

std::optional<QTime> EntryStore::storedTime(qint64 id) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select hora from caixa where id = ?"));
    q.addBindValue(id);
    if (!q.exec() || !q.next())
        return std::nullopt;
    const QTime time = Formats::timeFromDb(q.value(0));
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}
