#include "core/DayTotals.h"

#include "core/Schema.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>

namespace DayTotals {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DayTotals", text);
}

// The totals as the entries give them, in the columns of "day_totals".
const QString kFromEntries = QStringLiteral(
    "select data, coalesce(idconta, 0) as idconta, coalesce(sum(entrada), 0) as entrada, "
    "coalesce(sum(saida), 0) as saida, count(*) as entry_count from caixa "
    "where data is not null group by data, coalesce(idconta, 0)");
const QString kStored =
    QStringLiteral("select data, idconta, entrada, saida, entry_count from day_totals");

Status collect(const QSqlDatabase& db, const QString& sql, const QString& side, QStringList& lines)
{
    auto q = Sql::run(db, sql + QStringLiteral(" limit 5"));
    if (!q)
        return q.status();
    while (q->next())
        lines.append(tr("%1 %2, conta %3: entradas %4, saídas %5, %6 lançamentos")
                         .arg(side, q->value(0).toString(), q->value(1).toString(),
                              q->value(2).toString(), q->value(3).toString(),
                              q->value(4).toString()));
    return Status::success();
}

Result<bool> countsAgree(const QSqlDatabase& db)
{
    // One statement, so a server book's other desks cannot write between
    // the two counts. The entries without a date are few and found by the
    // index on the date.
    const auto agree = Sql::scalar(
        db, QStringLiteral("select (select count(*) from caixa) - (select count(*) from caixa "
                           "where data is null) = (select coalesce(sum(entry_count), 0) from "
                           "day_totals)"));
    if (!agree)
        return agree.status();
    return agree->toBool();
}

} // namespace

Status rebuild(const QSqlDatabase& db)
{
    if (Status emptied = Sql::exec(db, QStringLiteral("delete from day_totals")); !emptied)
        return emptied;
    return Sql::exec(db, QStringLiteral("insert into day_totals (data, idconta, entrada, saida, "
                                        "entry_count) ") +
                             kFromEntries);
}

Result<QStringList> differences(const QSqlDatabase& db)
{
    QStringList lines;
    if (Status read = collect(db, kFromEntries + QStringLiteral(" except ") + kStored,
                              tr("Lançamentos de"), lines);
        !read)
        return read;
    if (Status read = collect(db, kStored + QStringLiteral(" except ") + kFromEntries,
                              tr("Totais guardados de"), lines);
        !read)
        return read;
    return lines;
}

Status ensureKept(const QSqlDatabase& db)
{
    const auto triggers = Schema::hasDayTotalTriggers(db);
    if (!triggers)
        return triggers.status();
    if (*triggers) {
        const auto agree = countsAgree(db);
        if (!agree)
            return agree.status();
        if (*agree)
            return Status::success();
    }
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Status locked = Schema::lockForChange(db); !locked)
        return locked;
    // On a server, no desk writes an entry while the totals are summed again.
    if (Sql::isServer(db)) {
        if (Status locked = Sql::exec(db, QStringLiteral("lock table caixa in share mode"));
            !locked)
            return locked;
    }
    if (Status created = Schema::createDayTotalTriggers(db); !created)
        return created;
    if (Status rebuilt = rebuild(db); !rebuilt)
        return rebuilt;
    return transaction.commit();
}

} // namespace DayTotals
