#include "entries/AccountBook.h"

#include "core/DbConnection.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

namespace {

AccountBook::Result failed(const QSqlQuery& q)
{
    return {AccountBook::Outcome::Failed, q.lastError().text()};
}

std::optional<Money> sumOf(QSqlDatabase db, qint64 id, QString* error = nullptr)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas from caixa where idconta = ?"));
    q.addBindValue(id);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return std::nullopt;
    }
    if (!q.next())
        return q.lastError().isValid() ? std::nullopt : std::optional<Money>(Money());
    const Money in = Money::fromDb(q.value(0)).value_or(Money());
    const Money out = Money::fromDb(q.value(1)).value_or(Money());
    return in.minus(out);
}

} // namespace

AccountBook::AccountBook(DbConnection& db) : m_db(db) {}

QString AccountBook::normalizedName(const QString& typed)
{
    return typed.trimmed().toUpper();
}

std::optional<QList<AccountBook::Account>> AccountBook::accountsById() const
{
    QSqlQuery q(m_db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select id, descricao from contas order by id")))
        return std::nullopt;
    QList<Account> accounts;
    while (q.next())
        accounts.append({q.value(0).toLongLong(), q.value(1).toString()});
    return accounts;
}

std::optional<QStringList> AccountBook::namesInOrder() const
{
    QSqlQuery q(m_db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select descricao from contas order by descricao")))
        return std::nullopt;
    QStringList names;
    while (q.next())
        names.append(q.value(0).toString());
    return names;
}

std::optional<qint64> AccountBook::idOf(const QString& name) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select id from contas where descricao = ? order by id"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toLongLong();
}

std::optional<Money> AccountBook::ConsultaSaldo(qint64 id) const
{
    return sumOf(m_db.database(), id);
}

AccountBook::Result AccountBook::create(const QString& typedName)
{
    const QString name = normalizedName(typedName);
    if (name.isEmpty() || idOf(name))
        return {Outcome::Ignored, QString()};
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("insert into contas (descricao, saldo) values (?, 0)"));
    q.addBindValue(name);
    if (!q.exec())
        return failed(q);
    return {Outcome::Done, QString()};
}

AccountBook::Result AccountBook::rename(qint64 id, const QString& typedName)
{
    const QString name = normalizedName(typedName);
    if (name.isEmpty() || idOf(name))
        return {Outcome::Ignored, QString()};
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("update contas set descricao = ? where id = ?"));
    q.addBindValue(name);
    q.addBindValue(id);
    if (!q.exec())
        return failed(q);
    return {q.numRowsAffected() > 0 ? Outcome::Done : Outcome::Ignored, QString()};
}

std::optional<bool> AccountBook::isInUse(qint64 id) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select 1 from caixa where idconta = ? limit 1"));
    q.addBindValue(id);
    if (!q.exec())
        return std::nullopt;
    return q.next();
}

AccountBook::Result AccountBook::remove(qint64 id)
{
    const auto inUse = isInUse(id);
    if (!inUse)
        return {Outcome::Failed, QCoreApplication::translate("AccountBook", "os lançamentos da conta não puderam ser lidos")};
    if (*inUse)
        return {Outcome::InUse, QString()};
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("delete from contas where id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return failed(q);
    return {Outcome::Done, QString()};
}

Status AccountBook::storeBalance(QSqlDatabase db, qint64 id)
{
    QString error;
    const auto balance = sumOf(db, id, &error);
    if (!balance)
        return Status::failure(error.isEmpty() ? QStringLiteral("saldo fora do limite") : error);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("update contas set saldo = ? where id = ?"));
    q.addBindValue(balance->toDb());
    q.addBindValue(id);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    return Status::success();
}

bool AccountBook::UpdateAccountBalance(const QString& name)
{
    const auto id = idOf(name);
    if (!id)
        return true;
    Transaction transaction(m_db.database());
    if (!storeBalance(m_db.database(), *id))
        return false;
    return transaction.commit().ok();
}
