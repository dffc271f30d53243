#include "book/BookCopy.h"

#include "core/Schema.h"
#include "core/Sql.h"

#include <QCoreApplication>

namespace BookCopy {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BookCopy", text);
}

} // namespace

Status Figures::countEntry(std::optional<qint64> account, std::optional<Money> in,
                           std::optional<Money> out)
{
    AccountTotals& totals = accounts[account];
    totals.entries += 1;
    const auto sumIn = totals.in.plus(in.value_or(Money()));
    const auto sumOut = totals.out.plus(out.value_or(Money()));
    if (!sumIn || !sumOut)
        return Status::failure(tr("a soma dos valores de uma conta é grande demais"));
    totals.in = *sumIn;
    totals.out = *sumOut;
    return Status::success();
}

RowInserter::RowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns)
    : m_table(table), m_columns(columns), m_query(db)
{
}

Status RowInserter::prepare()
{
    QStringList marks;
    marks.fill(QStringLiteral("?"), m_columns.size());
    // Table and column names are the program's own, never typed by anyone.
    const QString sql =
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(m_table, m_columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    if (!m_query.prepare(sql))
        return Status::failure(Sql::reasonOf(m_query));
    return Status::success();
}

Status RowInserter::insert(const QVariantList& values)
{
    for (qsizetype c = 0; c < values.size(); ++c)
        m_query.bindValue(int(c), values.at(c));
    if (!m_query.exec())
        return Status::failure(Sql::reasonOf(m_query));
    return Status::success();
}

Result<Figures> read(const QSqlDatabase& db)
{
    Figures figures;
    for (const QString& table : Schema::tableNames()) {
        // The table names are the program's own.
        const auto count = Sql::scalar(db, QStringLiteral("select count(*) from ") + table);
        if (!count)
            return count.status();
        figures.rows[table] = count->toLongLong();
    }
    auto q =
        Sql::run(db, QStringLiteral("select idconta, count(*), sum(entrada), sum(saida) from caixa "
                                    "group by idconta"));
    if (!q)
        return q.status();
    while (q->next()) {
        const auto account =
            q->value(0).isNull() ? std::nullopt : std::optional(q->value(0).toLongLong());
        const auto in = Money::sumFromDb(q->value(2));
        const auto out = Money::sumFromDb(q->value(3));
        if (!in || !out)
            return Status::failure(tr("as somas da conta %1 são grandes demais para o sistema")
                                       .arg(q->value(0).toString()),
                                   Status::Cause::TooLarge);
        figures.accounts[account] = {q->value(1).toLongLong(), *in, *out};
    }
    return figures;
}

Status compare(const Figures& expected, const Figures& found)
{
    for (auto it = expected.rows.cbegin(); it != expected.rows.cend(); ++it) {
        const qint64 there = found.rows.value(it.key());
        if (there != it.value())
            return Status::failure(tr("a tabela %1 do novo livro tem %2 linhas em vez de %3")
                                       .arg(it.key())
                                       .arg(there)
                                       .arg(it.value()));
    }
    if (found.accounts != expected.accounts)
        return Status::failure(tr(
            "as somas de entrada e saída por conta do novo livro não conferem com as do original"));
    return Status::success();
}

Status integrityCheck(const QSqlDatabase& db)
{
    const auto verdict = Sql::scalar(db, QStringLiteral("PRAGMA integrity_check"));
    if (!verdict)
        return verdict.status();
    if (verdict->toString() != u"ok")
        return Status::failure(
            tr("o livro não passou na verificação do SQLite (%1)").arg(verdict->toString()));
    return Status::success();
}

} // namespace BookCopy
