#include "cashbook/EntryReader.h"

#include "cashbook/EntryRows.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/RowReader.h"

#include <QSqlQuery>

namespace EntryReader {

namespace {

std::optional<Money> moneyAt(const RowReader& row, int column)
{
    if (row.isNull(column))
        return std::nullopt;
    if (row.isInteger(column))
        return Money::fromUnits(*row.integer(column));
    return Money::fromDb(row.value(column)); // stored by another tool as text or REAL
}

std::optional<QStringView> textAt(const RowReader& row, int column)
{
    return row.isNull(column) ? std::nullopt : std::optional<QStringView>(row.text(column));
}

} // namespace

Result readPeriod(DbConnection& db, const QDate& first, const QDate& last, EntryRows& rows)
{
    rows.clear();
    RowReader row(db, QStringLiteral("select * from caixa where data >= ? and data <= ? order by data, hora, id"),
                  {Formats::dbDate(first), Formats::dbDate(last)});
    if (!row.ok())
        return {Outcome::Failed, row.error()};
    const int ndoc = row.indexOf(QStringLiteral("ndoc"));
    if (ndoc < 0)
        return {Outcome::MissingNdoc, QString()};
    const int id = row.indexOf(QStringLiteral("id"));
    const int idconta = row.indexOf(QStringLiteral("idconta"));
    const int data = row.indexOf(QStringLiteral("data"));
    const int hora = row.indexOf(QStringLiteral("hora"));
    const int descricao = row.indexOf(QStringLiteral("descricao"));
    const int entrada = row.indexOf(QStringLiteral("entrada"));
    const int saida = row.indexOf(QStringLiteral("saida"));

    EntryRows::Entry entry;
    while (row.next()) {
        entry.id = row.integer(id).value_or(0);
        entry.idconta = row.integer(idconta);
        entry.data = row.date(data);
        entry.hora = row.time(hora);
        entry.entrada = moneyAt(row, entrada);
        entry.saida = moneyAt(row, saida);
        // The views are copied into the rows' storage before the next row.
        entry.ndoc = textAt(row, ndoc);
        entry.descricao = textAt(row, descricao);
        rows.append(entry);
    }
    if (!row.ok()) {
        rows.clear();
        return {Outcome::Failed, row.error()};
    }
    return {Outcome::Read, QString()};
}

QHash<qint64, QString> accountNames(DbConnection& db)
{
    QHash<qint64, QString> names;
    QSqlQuery q(db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select id, descricao from contas")))
        return names;
    while (q.next())
        names.insert(q.value(0).toLongLong(), q.value(1).toString());
    return names;
}

} // namespace EntryReader
