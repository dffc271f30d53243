#include "book/Closings.h"

#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/EntryStore.h"
#include "core/ChangeLog.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QSqlQuery>

#include <algorithm>

namespace {

const QString kColumns = QStringLiteral(
    "select id, data, computed, counted, difference, entry_id, closed_by, closed_at, closed_on, "
    "reopened_by, reopened_at, reopened_on, reopen_reason from closings ");

Closings::Closing closingFrom(const QSqlQuery& q)
{
    Closings::Closing c;
    c.id = q.value(0).toLongLong();
    c.day = Formats::dateFromDb(q.value(1));
    c.computed = Money::fromDb(q.value(2)).value_or(Money());
    c.counted = Money::fromDb(q.value(3)).value_or(Money());
    c.difference = Money::fromDb(q.value(4)).value_or(Money());
    if (!q.value(5).isNull())
        c.entryId = q.value(5).toLongLong();
    c.closedBy = q.value(6).toString();
    c.closedAt = Formats::momentFromDb(q.value(7));
    c.closedOn = q.value(8).toString();
    c.reopened = !q.value(10).isNull();
    c.reopenedBy = q.value(9).toString();
    c.reopenedAt = Formats::momentFromDb(q.value(10));
    c.reopenedOn = q.value(11).toString();
    c.reopenReason = q.value(12).toString();
    return c;
}

QString whoOf(const DbConnection& db)
{
    const QString name = db.writeContext().userName();
    return name.isEmpty() ? ChangeLog::noLoginText() : name;
}

// The closing as the change log shows it.
QString valuesOf(const Closings::Closing& c)
{
    ChangeLog::Values values;
    values.add(Closings::tr("Dia"), Formats::date(c.day))
        .add(Closings::tr("Saldo calculado"), c.computed.format())
        .add(Closings::tr("Contado"), c.counted.format())
        .add(Closings::tr("Diferença"), c.difference.format());
    if (c.entryId)
        values.add(Closings::tr("Lançamento da diferença"), QString::number(*c.entryId));
    return values.text();
}

// On a server book, a closing (or a reopening) and the writes of entries
// exclude each other: every entry write holds this lock shared from the
// moment it checks its days until it commits, a closing holds it alone.
// A closing that waits for a desk's save therefore counts that entry in
// its figure, and a save that waits for a closing finds the day closed;
// under READ COMMITTED, without it, both would commit. Entry writes never
// wait for one another on it. The key is any number, the same on every
// desk; each database (book) has locks of its own. A file book needs none:
// its writes are serial already.
const QString kTakeShared = QStringLiteral("select pg_advisory_xact_lock_shared(1684104557)");
const QString kTakeAlone = QStringLiteral("select pg_advisory_xact_lock(1684104557)");

Status takeClosingLock(const QSqlDatabase& db, const QString& statement)
{
    if (!Sql::isServer(db))
        return Status::success();
    return Sql::exec(db, statement);
}

// The book keeps moments to the second.
QDateTime wholeSeconds(const QDateTime& moment)
{
    const QTime t = moment.time();
    return QDateTime(moment.date(), QTime(t.hour(), t.minute(), t.second()));
}

} // namespace

Closings::Closings(DbConnection& db) : m_db(db) {}

Result<QDate> Closings::lockedThrough() const
{
    const auto latest =
        Sql::scalar(m_db.database(),
                    QStringLiteral("select max(data) from closings where reopened_at is null"));
    if (!latest)
        return latest.status();
    return Formats::dateFromDb(*latest);
}

QString Closings::lockedText(const QDate& day, const QDate& lockedThrough)
{
    const QString closed = day == lockedThrough
                               ? tr("O dia %1 está fechado").arg(Formats::date(day))
                               : tr("O dia %1 está fechado (o caixa foi fechado até %2)")
                                     .arg(Formats::date(day), Formats::date(lockedThrough));
    return closed + tr(": os lançamentos desse dia não podem mais ser incluídos, alterados nem "
                       "excluídos. Para corrigir, lance um estorno em um dia aberto.");
}

Status Closings::checkOpen(const QDate& day) const
{
    if (!day.isValid())
        return Status::success(); // an entry without a day belongs to no closing
    // Outside a transaction the lock is over with the statement: the check
    // is then only a look, as the grid's before its question.
    if (Status locked = takeClosingLock(m_db.database(), kTakeShared); !locked)
        return locked;
    const auto through = lockedThrough();
    if (!through)
        return through.status();
    if (through->isValid() && day <= *through)
        return Status::failure(lockedText(day, *through), Status::Cause::Refused);
    return Status::success();
}

Result<Closings::Balances> Closings::balancesAt(const QDate& day) const
{
    const QDate after = day.addDays(1);
    const auto total = ::Balances::openingBalance(m_db, after, 0);
    if (!total)
        return total.status();
    Balances balances{*total, {}};
    auto accounts = AccountBook(m_db).accountsById();
    if (!accounts)
        return accounts.status();
    QStringList names;
    for (const AccountBook::Account& account : *accounts)
        names.append(account.name);
    AccountBook::sortNames(names);
    Money rest = *total;
    for (const QString& name : names) {
        const auto account =
            std::find_if(accounts->begin(), accounts->end(),
                         [&name](const AccountBook::Account& a) { return a.name == name; });
        const auto balance = ::Balances::openingBalance(m_db, after, account->id);
        accounts->erase(account);
        if (!balance)
            return balance.status();
        balances.accounts.append({name, *balance});
        rest = rest.minus(*balance).value_or(rest);
    }
    // Entries of no account, or of one deleted by another tool, count in
    // the total only.
    if (!rest.isZero())
        balances.accounts.append({tr("Sem conta"), rest});
    return balances;
}

QString Closings::differenceDescription(Money difference)
{
    return difference.isNegative() ? tr("Quebra de caixa") : tr("Sobra de caixa");
}

Result<Closings::Closing> Closings::close(const Request& request)
{
    const auto now = m_db.now();
    if (!now)
        return now.status();
    if (!request.day.isValid())
        return Status::failure(tr("Informe o dia a fechar."), Status::Cause::Refused);
    if (request.day > now->date())
        return Status::failure(
            tr("O dia %1 ainda não chegou: só um dia que já começou pode ser fechado.")
                .arg(Formats::date(request.day)),
            Status::Cause::Refused);
    const auto closed = closeWithin(request, *now);
    if (closed || closed.status().cause() == Status::Cause::Refused)
        return closed;
    // Another desk may have closed the day at the same moment: the book
    // took its closing and refused this one.
    const auto through = lockedThrough();
    if (through && through->isValid() && request.day <= *through)
        return Status::failure(lockedText(request.day, *through), Status::Cause::Refused);
    return closed;
}

Result<Closings::Closing> Closings::closeWithin(const Request& request, const QDateTime& now)
{
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Status locked = takeClosingLock(db, kTakeAlone); !locked)
        return locked;
    if (Status open = checkOpen(request.day); !open)
        return open;
    const auto computed = ::Balances::openingBalance(m_db, request.day.addDays(1), 0);
    if (!computed)
        return computed.status();
    if (request.shownComputed && *request.shownComputed != *computed)
        return Status::failure(
            tr("O saldo do dia %1 mudou desde que foi mostrado (um lançamento desse dia foi "
               "gravado em outro caixa): agora é %2. Confira a contagem e feche o dia de novo.")
                .arg(Formats::date(request.day), computed->format()),
            Status::Cause::Refused);
    const auto difference = request.counted.minus(*computed);
    if (!difference)
        return Status::failure(tr("a diferença é um valor grande demais para o sistema"),
                               Status::Cause::TooLarge);
    Closing c;
    c.day = request.day;
    c.computed = *computed;
    c.counted = request.counted;
    c.difference = *difference;
    c.closedBy = whoOf(m_db);
    c.closedAt = wholeSeconds(now);
    c.closedOn = m_db.writeContext().computer();
    if (!difference->isZero() && !request.differenceAccount.isEmpty()) {
        const auto negated = Money().minus(*difference);
        if (!negated)
            return Status::failure(tr("a diferença é um valor grande demais para o sistema"),
                                   Status::Cause::TooLarge);
        const Money amount = difference->isNegative() ? *negated : *difference;
        const EntryStore::Entry entry{request.day,
                                      c.closedAt.time(),
                                      request.differenceAccount,
                                      QString(),
                                      differenceDescription(*difference),
                                      difference->isNegative() ? Money() : amount,
                                      difference->isNegative() ? amount : Money()};
        const auto entryId = EntryStore(m_db).addWithinTransaction(entry);
        if (!entryId)
            return entryId.status();
        c.entryId = *entryId;
    }
    auto q =
        Sql::run(db,
                 QStringLiteral("insert into closings (data, computed, counted, difference, "
                                "entry_id, closed_by, closed_at, closed_on) values "
                                "(?, ?, ?, ?, ?, ?, ?, ?) returning id"),
                 {Formats::dbDate(c.day), c.computed.toDb(), c.counted.toDb(), c.difference.toDb(),
                  c.entryId ? QVariant(*c.entryId) : QVariant(QMetaType(QMetaType::LongLong)),
                  c.closedBy, Formats::dbMoment(c.closedAt), c.closedOn});
    if (!q)
        return q.status();
    if (!q->next())
        return Sql::failureOf(*q);
    c.id = q->value(0).toLongLong();
    q->finish(); // the statement ends before the commit
    if (Status logged =
            ChangeLog::record(m_db, {ChangeLog::Kind::Closing, QStringLiteral("closings"),
                                     QString::number(c.id), QString(), valuesOf(c)});
        !logged)
        return logged;
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return c;
}

Result<QList<Closings::Closing>> Closings::read(const QString& where,
                                                const QVariantList& values) const
{
    auto q = Sql::run(m_db.database(), kColumns + where, values);
    if (!q)
        return q.status();
    QList<Closing> closings;
    while (q->next())
        closings.append(closingFrom(*q));
    return closings;
}

Result<QList<Closings::Closing>> Closings::openFrom(const QDate& day) const
{
    return read(QStringLiteral("where data >= ? and reopened_at is null order by data, id"),
                {Formats::dbDate(day)});
}

Result<QList<Closings::Closing>> Closings::ofPeriod(const QDate& first, const QDate& last) const
{
    return read(QStringLiteral("where data >= ? and data <= ? order by data, id"),
                {Formats::dbDate(first), Formats::dbDate(last)});
}

Result<QList<Closings::Closing>> Closings::reopen(const QDate& day, const QString& reason)
{
    if (m_db.writeContext().isRestricted())
        return Status::failure(tr("Somente um usuário de nível comum pode reabrir um dia."),
                               Status::Cause::Refused);
    if (reason.trimmed().isEmpty())
        return Status::failure(tr("Informe o motivo da reabertura."), Status::Cause::Refused);
    const auto now = m_db.now();
    if (!now)
        return now.status();
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    // A reopening and a closing at another desk happen one after the other.
    if (Status locked = takeClosingLock(db, kTakeAlone); !locked)
        return locked;
    auto closings = openFrom(day);
    if (!closings)
        return closings.status();
    if (closings->isEmpty())
        return Status::failure(tr("O dia %1 não está fechado.").arg(Formats::date(day)),
                               Status::Cause::Refused);
    for (Closing& c : *closings) {
        c.reopened = true;
        c.reopenedBy = whoOf(m_db);
        c.reopenedAt = wholeSeconds(*now);
        c.reopenedOn = m_db.writeContext().computer();
        c.reopenReason = reason.trimmed();
        if (Status done = Sql::exec(db,
                                    QStringLiteral("update closings set reopened_by = ?, "
                                                   "reopened_at = ?, reopened_on = ?, "
                                                   "reopen_reason = ? where id = ?"),
                                    {c.reopenedBy, Formats::dbMoment(c.reopenedAt), c.reopenedOn,
                                     c.reopenReason, c.id});
            !done)
            return done;
        const QString after = ChangeLog::Values()
                                  .add(tr("Dia"), Formats::date(c.day))
                                  .note(tr("reaberto"))
                                  .add(tr("Motivo"), c.reopenReason)
                                  .text();
        if (Status logged =
                ChangeLog::record(m_db, {ChangeLog::Kind::Reopening, QStringLiteral("closings"),
                                         QString::number(c.id), valuesOf(c), after});
            !logged)
            return logged;
    }
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return closings;
}
