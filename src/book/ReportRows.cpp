#include "book/ReportRows.h"

#include "book/Balances.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/RowReader.h"
#include "core/Sql.h"
#include "core/TaskProgress.h"
#include "core/Transaction.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ReportRows", text);
}

constexpr qsizetype kProgressEvery = 4096;

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

// One shared copy of each text that recurs: a year of entries holds the
// same few hundred descriptions over and over.
class TextPool
{
public:
    QString text(const RowReader& reader, int column)
    {
        if (column < 0 || reader.isNull(column))
            return QString();
        const QStringView view = reader.text(column);
        // Looked up without copying: the key only borrows the reader's text.
        const QString borrowed = QString::fromRawData(view.data(), view.size());
        auto known = m_texts.constFind(borrowed);
        if (known == m_texts.constEnd()) {
            const QString owned = view.toString();
            known = m_texts.insert(owned, owned);
        }
        return *known;
    }

private:
    QHash<QString, QString> m_texts;
};

struct Filter
{
    QString where;
    QVariantList values;
};

Filter filterOf(const CashBookRequest& request, const QString& prefix)
{
    Filter f;
    if (request.accountId >= 1) {
        f.where = prefix + QStringLiteral("idconta = ? and ");
        f.values.append(request.accountId);
    }
    f.where += prefix + QStringLiteral("data >= ? and ") + prefix + QStringLiteral("data <= ?");
    f.values << Formats::dbDate(request.first) << Formats::dbDate(request.last);
    return f;
}

// How many entries the period holds, from the day totals: the list is made
// that size at once rather than grown (and copied) as it fills.
qsizetype expectedCount(DbConnection& db, const CashBookRequest& request)
{
    const Filter f = filterOf(request, QString());
    const auto count = Sql::scalar(
        db.database(), QStringLiteral("select sum(entry_count) from day_totals where ") + f.where,
        f.values);
    return count ? qsizetype(count->toLongLong()) : 0;
}

Status readEntries(DbConnection& db, const CashBookRequest& request, QList<CashBookEntry>& entries,
                   TaskProgress* progress)
{
    const qsizetype expected = expectedCount(db, request);
    entries.reserve(expected);
    if (progress)
        progress->startStage(progress->stage(), expected);
    // One join gives every entry its account's name.
    const Filter f = filterOf(request, QStringLiteral("c."));
    RowReader reader(db,
                     QStringLiteral("select c.*, a.descricao as nomeconta from caixa c "
                                    "left join contas a on a.id = c.idconta where ") +
                         f.where + QStringLiteral(" order by c.data, c.hora, c.id"),
                     f.values);
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

    TextPool texts;
    while (reader.next()) {
        CashBookEntry e;
        e.data = reader.date(data);
        e.hora = reader.time(hora);
        e.idconta = reader.integer(idconta);
        if (e.idconta)
            e.conta = texts.text(reader, nomeconta);
        e.ndoc = texts.text(reader, ndoc);
        e.descricao = texts.text(reader, descricao);
        e.entrada = amountIn(reader, entrada);
        e.saida = amountIn(reader, saida);
        entries.append(std::move(e));
        if (progress && entries.size() % kProgressEvery == 0) {
            progress->setDone(entries.size());
            if (progress->isCancelled())
                return Status::failure(tr("cancelado"));
        }
    }
    if (progress)
        progress->setDone(entries.size());
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

Result<ReportRows> ReportRows::read(DbConnection& db, const CashBookRequest& request,
                                    TaskProgress* progress)
{
    ReportRows rows;
    if (Status read = readEntries(db, request, rows.entries, progress); !read)
        return read;
    rows.dayMovementsRead = bool(readDayMovements(db, request, rows.days));
    if (!rows.dayMovementsRead)
        rows.days.clear();
    return rows;
}

Result<ReportInput> ReportInput::read(DbConnection& db, const CashBookRequest& request,
                                      TaskProgress* progress)
{
    // Rolled back when it goes: it only ever read.
    const Transaction moment(db.database());
    if (!moment.begun())
        return moment.begun();
    const auto opening = Balances::openingBalance(db, request.first, request.accountId);
    if (!opening)
        return opening.status();
    auto rows = ReportRows::read(db, request, progress);
    if (!rows)
        return rows.status();
    return ReportInput{*opening, std::move(rows).value()};
}
