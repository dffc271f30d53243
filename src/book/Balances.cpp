#include "book/Balances.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QSqlError>

namespace Balances {

namespace {

// The sums come from the totals per day and account, which the book keeps
// with every entry write: reading the days before a cut-off costs the same
// whether a thousand or a million entries lie behind them. A day's total that
// outgrew the integers (SQLite then keeps it as an inexact real) is counted,
// so the sum is refused rather than misread.
const QString kSums = QStringLiteral(
    "select sum(entrada) as totentradas, sum(saida) as totsaidas, count(case when "
    "abs(entrada) >= 9.2e18 or abs(saida) >= 9.2e18 then 1 end) as inexatos from day_totals ");

QString tooLarge()
{
    return QCoreApplication::translate(
        "Balances", "o saldo anterior ao período é um valor grande demais para o sistema somar");
}

Result<Sums> runSums(DbConnection& db, const QString& where, const QVariantList& values)
{
    auto q = Sql::run(db.database(), kSums + where, values);
    if (!q)
        return q.status();
    Sums sums;
    if (q->next()) {
        if (q->value(2).toLongLong() > 0)
            return Status::failure(QCoreApplication::translate(
                "Balances", "os valores são grandes demais para o sistema somar"));
        const auto in = Money::sumFromDb(q->value(0));
        const auto out = Money::sumFromDb(q->value(1));
        if (!in || !out)
            return Status::failure(tooLarge(), Status::Cause::TooLarge);
        sums.in = *in;
        sums.out = *out;
    } else if (q->lastError().isValid()) {
        return Sql::failureOf(*q);
    }
    return sums;
}

} // namespace

Result<Sums> before(DbConnection& db, const QDate& cutoff, qint64 accountId)
{
    if (accountId >= 1)
        return runSums(db, QStringLiteral("where idconta = ? and data < ?"),
                       {accountId, Formats::dbDate(cutoff)});
    return runSums(db, QStringLiteral("where data < ?"), {Formats::dbDate(cutoff)});
}

Result<Sums> ofDay(DbConnection& db, const QDate& day)
{
    return runSums(db, QStringLiteral("where data = ?"), {Formats::dbDate(day)});
}

Result<Sums> ofPeriod(DbConnection& db, const QDate& first, const QDate& last)
{
    return runSums(db, QStringLiteral("where data >= ? and data <= ?"),
                   {Formats::dbDate(first), Formats::dbDate(last)});
}

Result<Money> openingBalance(DbConnection& db, const QDate& cutoff, qint64 accountId)
{
    const auto sums = before(db, cutoff, accountId);
    if (!sums)
        return sums.status();
    const auto net = sums->net();
    if (!net)
        return Status::failure(tooLarge(), Status::Cause::TooLarge);
    return *net;
}

Status SaveDayBalance(DbConnection& db, Money amount, const QDate& day)
{
    QSqlDatabase database = db.database();
    const QString dayText = Formats::dbDate(day);
    auto q =
        Sql::run(database, QStringLiteral("select saldo from saldos where data = ?"), {dayText});
    if (!q)
        return q.status();
    int found = 0;
    bool unchanged = true;
    while (q->next()) {
        ++found;
        unchanged = unchanged && Money::fromDb(q->value(0)) == amount;
    }
    q->finish();
    // Refreshing the same day again writes nothing when its figure is the same.
    if (found > 0 && unchanged)
        return Status::success();

    Transaction transaction(database);
    if (!transaction.begun())
        return transaction.begun();
    // On a server, two desks that find the day without a figure both write
    // it, and the second only replaces the first's.
    const Status written =
        Sql::isServer(database)
            ? Sql::exec(database,
                        QStringLiteral("insert into saldos (data, saldo) values (?, ?) on conflict "
                                       "(data) do update set saldo = excluded.saldo"),
                        {dayText, amount.toDb()})
        : found > 0
            ? Sql::exec(database, QStringLiteral("update saldos set saldo = ? where data = ?"),
                        {amount.toDb(), dayText})
            : Sql::exec(database, QStringLiteral("insert into saldos (data, saldo) values (?, ?)"),
                        {dayText, amount.toDb()});
    if (!written)
        return written;
    return transaction.commit();
}

} // namespace Balances
