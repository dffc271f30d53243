#include "book/StoredAmounts.h"

#include "core/DbConnection.h"
#include "core/Money.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QSqlError>

namespace StoredAmounts {

namespace {

struct Rewrite
{
    qint64 id = 0;
    QVariant entrada;
    QVariant saida;
};

// An amount as it should be stored: integers and nulls stay, a value Money
// reads becomes ten-thousandths, and anything else is left (nothing).
std::optional<QVariant> storedForm(const QVariant& value, bool& changed)
{
    const int type = value.typeId();
    if (value.isNull() || type == QMetaType::LongLong || type == QMetaType::Int)
        return value;
    const auto amount = Money::fromDb(value);
    if (!amount)
        return std::nullopt;
    changed = true;
    return amount->toDb();
}

} // namespace

Result<Outcome> normalize(DbConnection& db)
{
    const QSqlDatabase database = db.database();
    // Only SQLite lets a column hold another type than the one declared.
    if (database.driverName() != u"QSQLITE")
        return Outcome();
    auto q = Sql::run(database, QStringLiteral("select id, entrada, saida from caixa "
                                               "where typeof(entrada) in ('real', 'text', 'blob') "
                                               "or typeof(saida) in ('real', 'text', 'blob')"));
    if (!q)
        return q.status();
    Outcome outcome;
    QList<Rewrite> rewrites;
    while (q->next()) {
        bool changed = false;
        const auto entrada = storedForm(q->value(1), changed);
        const auto saida = storedForm(q->value(2), changed);
        const qint64 id = q->value(0).toLongLong();
        if (!entrada || !saida)
            outcome.unreadable.append(id);
        if (changed)
            rewrites.append({id, entrada.value_or(q->value(1)), saida.value_or(q->value(2))});
    }
    if (q->lastError().isValid())
        return Status::failure(Sql::reasonOf(*q));
    q->finish();
    if (rewrites.isEmpty())
        return outcome;

    Transaction transaction(database);
    if (!transaction.begun())
        return transaction.begun();
    for (const Rewrite& r : rewrites) {
        if (Status written = Sql::exec(database,
                                       QStringLiteral("update caixa set entrada = ?, saida = ? "
                                                      "where id = ?"),
                                       {r.entrada, r.saida, r.id});
            !written)
            return written;
    }
    if (Status committed = transaction.commit(); !committed)
        return committed;
    outcome.rewritten = rewrites.size();
    return outcome;
}

} // namespace StoredAmounts
