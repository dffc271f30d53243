#include "book/EntryReader.h"

#include "book/EntryRows.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/RowReader.h"
#include "core/Sql.h"

namespace EntryReader {

namespace {

std::optional<QStringView> textAt(const RowReader& row, int column)
{
    return row.isNull(column) ? std::nullopt : std::optional<QStringView>(row.text(column));
}

} // namespace

Result<Outcome> readPeriod(DbConnection& db, const QDate& first, const QDate& last, EntryRows& rows)
{
    rows.clear();
    RowReader row(
        db,
        QStringLiteral("select * from caixa where data >= ? and data <= ? order by data, hora, id"),
        {Formats::dbDate(first), Formats::dbDate(last)});
    if (Status status = row.status(); !status)
        return status;
    const int ndoc = row.indexOf(QStringLiteral("ndoc"));
    if (ndoc < 0)
        return Outcome::MissingNdoc;
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
        entry.entrada = row.money(entrada);
        entry.saida = row.money(saida);
        // The views are copied into the rows' storage before the next row.
        entry.ndoc = textAt(row, ndoc);
        entry.descricao = textAt(row, descricao);
        rows.append(entry);
    }
    if (Status status = row.status(); !status) {
        rows.clear();
        return status;
    }
    return Outcome::Read;
}

Result<QHash<qint64, QString>> accountNames(DbConnection& db)
{
    auto q = Sql::run(db.database(), QStringLiteral("select id, descricao from contas"));
    if (!q)
        return q.status();
    QHash<qint64, QString> names;
    while (q->next())
        names.insert(q->value(0).toLongLong(), q->value(1).toString());
    return names;
}

} // namespace EntryReader
