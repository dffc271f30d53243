#include "cashbook/Balances.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace Balances {

namespace {

SumsResult runSums(QSqlQuery& q)
{
    q.setForwardOnly(true);
    if (!q.exec())
        return {std::nullopt, q.lastError().text()};
    Sums sums;
    if (q.next()) {
        // Money::fromDb gives nothing for a null sum: it counts as zero.
        sums.in = Money::fromDb(q.value(0)).value_or(Money());
        sums.out = Money::fromDb(q.value(1)).value_or(Money());
    } else if (q.lastError().isValid()) {
        return {std::nullopt, q.lastError().text()};
    }
    return {sums, QString()};
}

} // namespace

SumsResult before(DbConnection& db, const QDate& cutoff, qint64 accountId)
{
    QSqlQuery q(db.database());
    if (accountId >= 1) {
        q.prepare(QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas "
                                 "from caixa where idconta = ? and data < ?"));
        q.addBindValue(accountId);
    } else {
        q.prepare(QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas "
                                 "from caixa where data < ?"));
    }
    q.addBindValue(Formats::dbDate(cutoff));
    return runSums(q);
}

SumsResult ofDay(DbConnection& db, const QDate& day)
{
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas "
                             "from caixa where data = ?"));
    q.addBindValue(Formats::dbDate(day));
    return runSums(q);
}

SumsResult ofPeriod(DbConnection& db, const QDate& first, const QDate& last)
{
    QSqlQuery q(db.database());
    q.prepare(QStringLiteral("select sum(entrada) as totentradas, sum(saida) as totsaidas "
                             "from caixa where data >= ? and data <= ?"));
    q.addBindValue(Formats::dbDate(first));
    q.addBindValue(Formats::dbDate(last));
    return runSums(q);
}

Status SaveDayBalance(DbConnection& db, Money amount, const QDate& day)
{
    QSqlDatabase database = db.database();
    const QString dayText = Formats::dbDate(day);
    QSqlQuery q(database);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select saldo from saldos where data = ?"));
    q.addBindValue(dayText);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    int found = 0;
    bool unchanged = true;
    while (q.next()) {
        ++found;
        unchanged = unchanged && Money::fromDb(q.value(0)) == amount;
    }
    q.finish();
    // Refreshing the same day again writes nothing when its figure is the same.
    if (found > 0 && unchanged)
        return Status::success();

    Transaction transaction(database);
    if (!transaction.started())
        return Status::failure(transaction.startError());
    if (found > 0) {
        q.prepare(QStringLiteral("update saldos set saldo = ? where data = ?"));
        q.addBindValue(amount.toDb());
        q.addBindValue(dayText);
    } else {
        q.prepare(QStringLiteral("insert into saldos (data, saldo) values (?, ?)"));
        q.addBindValue(dayText);
        q.addBindValue(amount.toDb());
    }
    if (!q.exec())
        return Status::failure(q.lastError().text());
    return transaction.commit();
}

} // namespace Balances
