#include "book/AccountBook.h"

#include "core/DbConnection.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCollator>
#include <QCoreApplication>
#include <QSqlError>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccountBook", text);
}

// The account's days from the totals the book keeps, and its entries without
// a date (which no day counts) from the entries themselves.
Result<Money> sumOf(const QSqlDatabase& db, qint64 id)
{
    auto q =
        Sql::run(db,
                 QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas, "
                                "count(case when abs(entrada) >= 9.2e18 or abs(saida) >= "
                                "9.2e18 then 1 end) from (select entrada, saida from "
                                "day_totals where idconta = ? union all select entrada, "
                                "saida from caixa where idconta = ? and data is null) as rows"),
                 {id, id});
    if (!q)
        return q.status();
    if (!q->next()) {
        if (q->lastError().isValid())
            return Sql::failureOf(*q);
        return Money();
    }
    const auto in = Money::sumFromDb(q->value(0));
    const auto out = Money::sumFromDb(q->value(1));
    // A day's total, or a sum, that outgrew the integers is not summed.
    const auto balance =
        q->value(2).toLongLong() > 0 || !in || !out ? std::nullopt : in->minus(*out);
    if (!balance)
        return Status::failure(tr("o saldo da conta é um valor grande demais para o sistema somar"),
                               Status::Cause::TooLarge);
    return *balance;
}

Result<bool> entriesUse(const QSqlDatabase& db, qint64 id)
{
    const auto found =
        Sql::scalar(db, QStringLiteral("select 1 from caixa where idconta = ? limit 1"), {id});
    if (!found)
        return found.status();
    return !found->isNull();
}

} // namespace

AccountBook::AccountBook(DbConnection& db) : m_db(db) {}

QString AccountBook::normalizedName(const QString& typed)
{
    return typed.trimmed().toUpper();
}

Result<QList<AccountBook::Account>> AccountBook::accountsById() const
{
    auto q =
        Sql::run(m_db.database(), QStringLiteral("select id, descricao from contas order by id"));
    if (!q)
        return q.status();
    QList<Account> accounts;
    while (q->next())
        accounts.append({q->value(0).toLongLong(), q->value(1).toString()});
    return accounts;
}

bool AccountBook::sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void AccountBook::sortNames(QStringList& names)
{
    QCollator collator(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Names equal to the collation keep a fixed order: by their characters.
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

Result<QStringList> AccountBook::namesInOrder() const
{
    const auto accounts = accountsById();
    if (!accounts)
        return accounts.status();
    QStringList names;
    names.reserve(accounts->size());
    for (const Account& account : *accounts)
        names.append(account.name);
    sortNames(names);
    return names;
}

// Compared here rather than in SQL: the engine's lower() and upper() know
// only the unaccented letters.
Result<std::optional<qint64>> AccountBook::idOf(const QString& name) const
{
    const auto accounts = accountsById();
    if (!accounts)
        return accounts.status();
    std::optional<qint64> found;
    for (const Account& account : *accounts) {
        if (account.name == name)
            return std::optional<qint64>(account.id);
        if (!found && sameName(account.name, name))
            found = account.id;
    }
    return found;
}

Result<bool> AccountBook::isInUse(qint64 id) const
{
    return entriesUse(m_db.database(), id);
}

Result<Money> AccountBook::ConsultaSaldo(qint64 id) const
{
    return sumOf(m_db.database(), id);
}

Result<AccountBook::Outcome> AccountBook::create(const QString& typedName)
{
    const QString name = normalizedName(typedName);
    if (name.isEmpty())
        return Outcome::Ignored;
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    const auto existing = idOf(name);
    if (!existing)
        return existing.status();
    if (*existing)
        return Outcome::Ignored;
    auto q = Sql::run(
        db, QStringLiteral("insert into contas (descricao, saldo) values (?, 0) returning id"),
        {name});
    if (!q)
        return q.status();
    if (!q->next())
        return Sql::failureOf(*q);
    const qint64 id = q->value(0).toLongLong();
    q->finish(); // the statement ends before the commit
    if (Status logged = log(ChangeLog::Kind::Insert, id, QString(), name); !logged)
        return logged;
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return Outcome::Done;
}

Result<AccountBook::Outcome> AccountBook::rename(qint64 id, const QString& typedName)
{
    const QString name = normalizedName(typedName);
    if (name.isEmpty())
        return Outcome::Ignored;
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    const auto accounts = accountsById();
    if (!accounts)
        return accounts.status();
    // A name another account has is refused; the account's own name may
    // still change its capitals ("Casa" written by another tool becomes
    // "CASA"), and keeping it exactly as it is changes nothing.
    QString former;
    for (const Account& account : *accounts) {
        if (sameName(account.name, name) && (account.id != id || account.name == name))
            return Outcome::Ignored;
        if (account.id == id)
            former = account.name;
    }
    auto q =
        Sql::run(db, QStringLiteral("update contas set descricao = ? where id = ?"), {name, id});
    if (!q)
        return q.status();
    if (q->numRowsAffected() == 0)
        return Outcome::Ignored;
    if (Status logged = log(ChangeLog::Kind::Update, id, former, name); !logged)
        return logged;
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return Outcome::Done;
}

Result<AccountBook::Outcome> AccountBook::remove(qint64 id)
{
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    // No desk adds an entry to the account while it is checked and deleted.
    if (Status locked = lockForWrite(db, {id}); !locked)
        return locked;
    const auto inUse = entriesUse(db, id);
    if (!inUse)
        return Status::failure(
            tr("os lançamentos da conta não puderam ser lidos: %1").arg(inUse.reason()));
    if (*inUse)
        return Outcome::InUse;
    const auto name =
        Sql::scalar(db, QStringLiteral("select descricao from contas where id = ?"), {id});
    if (!name)
        return name.status();
    if (Status deleted = Sql::exec(db, QStringLiteral("delete from contas where id = ?"), {id});
        !deleted)
        return deleted;
    if (!name->isNull()) {
        if (Status logged = log(ChangeLog::Kind::Delete, id, name->toString(), QString()); !logged)
            return logged;
    }
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return Outcome::Done;
}

Status AccountBook::log(ChangeLog::Kind kind, qint64 id, const QString& before,
                        const QString& after)
{
    const auto values = [](const QString& name) {
        return name.isNull() ? QString() : ChangeLog::Values().add(tr("Conta"), name).text();
    };
    return ChangeLog::record(
        m_db, {kind, QStringLiteral("contas"), QString::number(id), values(before), values(after)});
}

Status AccountBook::lockForWrite(const QSqlDatabase& db, QList<qint64> ids)
{
    if (!Sql::isServer(db))
        return Status::success();
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (qint64 id : ids) {
        if (id == 0)
            continue;
        const auto locked =
            Sql::scalar(db, QStringLiteral("select id from contas where id = ? for update"), {id});
        if (!locked)
            return locked.status();
        // Another desk deleted it since it was looked up.
        if (locked->isNull())
            return Status::failure(tr("a conta não existe mais"));
    }
    return Status::success();
}

Status AccountBook::UpdateAccountBalance(const QSqlDatabase& db, qint64 id)
{
    const auto balance = sumOf(db, id);
    if (!balance)
        return balance.status();
    return Sql::exec(db, QStringLiteral("update contas set saldo = ? where id = ?"),
                     {balance->toDb(), id});
}
