#include "book/ReportRows.h"

#include "core/Formats.h"
#include "core/RowReader.h"

namespace {

// Amounts are integer ten-thousandths; books touched by other tools may hold
// them as REAL or text, which Money reads as amounts too.
std::optional<Money> amountIn(const RowReader& reader, int column)
{
    if (column < 0 || reader.isNull(column))
        return std::nullopt;
    return reader.isInteger(column)
               ? std::optional<Money>(Money::fromUnits(*reader.integer(column)))
               : Money::fromDb(reader.value(column));
}

QString textIn(const RowReader& reader, int column)
{
    return column < 0 || reader.isNull(column) ? QString() : reader.text(column).toString();
}

Status readEntries(DbConnection& db, const CashBookRequest& request, QList<CashBookEntry>& entries)
{
    // One join gives every entry its account's name.
    QString sql = QStringLiteral("select c.*, a.descricao as nomeconta from caixa c "
                                 "left join contas a on a.id = c.idconta where ");
    QVariantList values;
    if (request.accountId >= 1) {
        sql += QStringLiteral("c.idconta = ? and ");
        values.append(request.accountId);
    }
    sql += QStringLiteral("c.data >= ? and c.data <= ? order by c.data, c.hora, c.id");
    values << Formats::dbDate(request.first) << Formats::dbDate(request.last);

    RowReader reader(db, sql, values);
    if (!reader.status())
        return reader.status();
    const int data = reader.indexOf(QStringLiteral("data"));
    const int hora = reader.indexOf(QStringLiteral("hora"));
    const int idconta = reader.indexOf(QStringLiteral("idconta"));
    const int ndoc = reader.indexOf(QStringLiteral("ndoc")); // -1 in books older than the column
    const int descricao = reader.indexOf(QStringLiteral("descricao"));
    const int entrada = reader.indexOf(QStringLiteral("entrada"));
    const int saida = reader.indexOf(QStringLiteral("saida"));
    const int nomeconta = reader.indexOf(QStringLiteral("nomeconta"));

    QHash<qint64, QString> names; // one shared copy of each account's name
    while (reader.next()) {
        CashBookEntry e;
        e.data = reader.date(data);
        e.hora = reader.time(hora);
        e.idconta = reader.integer(idconta);
        if (e.idconta) {
            auto name = names.constFind(*e.idconta);
            if (name == names.constEnd())
                name = names.insert(*e.idconta, textIn(reader, nomeconta));
            e.conta = *name;
        }
        e.ndoc = textIn(reader, ndoc);
        e.descricao = textIn(reader, descricao);
        e.entrada = amountIn(reader, entrada);
        e.saida = amountIn(reader, saida);
        entries.append(std::move(e));
    }
    return reader.status();
}

Status readDayMovements(DbConnection& db, const CashBookRequest& request,
                        ReportRows::DayMovements& days)
{
    // One grouped query over the totals the book keeps per day; every
    // account counts.
    RowReader reader(db,
                     QStringLiteral("select data, sum(entrada), sum(saida), count(case when "
                                    "abs(entrada) >= 9.2e18 or abs(saida) >= 9.2e18 then 1 "
                                    "end) from day_totals where data >= ? and data <= ? "
                                    "group by data"),
                     {Formats::dbDate(request.first), Formats::dbDate(request.last)});
    if (!reader.status())
        return reader.status();
    while (reader.next()) {
        const QDate day = reader.date(0);
        const Money in = amountIn(reader, 1).value_or(Money());
        const Money out = amountIn(reader, 2).value_or(Money());
        // A day whose total outgrew the integers is not summed.
        std::optional<Money> net = reader.integer(3).value_or(0) > 0 ? std::nullopt : in.minus(out);
        // A day stored in two spellings (with and without a time) adds up.
        if (auto known = days.constFind(day); known != days.constEnd())
            net = known->has_value() && net ? (*known)->plus(*net) : std::nullopt;
        days.insert(day, net);
    }
    return reader.status();
}

} // namespace

Result<ReportRows> ReportRows::read(DbConnection& db, const CashBookRequest& request)
{
    ReportRows rows;
    if (Status read = readEntries(db, request, rows.entries); !read)
        return read;
    rows.dayMovementsRead = bool(readDayMovements(db, request, rows.days));
    if (!rows.dayMovementsRead)
        rows.days.clear();
    return rows;
}
