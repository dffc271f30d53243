#include "reports/CashBookRows.h"

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

} // namespace

bool CashBookRows::read(DbConnection& db, const CashBookRequest& request)
{
    m_entries.clear();
    m_days.clear();
    m_daysRead = false;
    m_error.clear();
    if (!readEntries(db, request))
        return false;
    // Without the day sums the report still lists the entries; only the day
    // footers stay blank.
    m_daysRead = readDayMovements(db, request);
    return true;
}

bool CashBookRows::readEntries(DbConnection& db, const CashBookRequest& request)
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
    if (!reader.ok()) {
        m_error = reader.error();
        return false;
    }
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
        m_entries.append(std::move(e));
    }
    if (!reader.ok()) {
        m_error = reader.error();
        m_entries.clear();
        return false;
    }
    return true;
}

bool CashBookRows::readDayMovements(DbConnection& db, const CashBookRequest& request)
{
    // One grouped query for all the days; every account counts.
    RowReader reader(db,
                     QStringLiteral("select data, sum(entrada), sum(saida) from caixa "
                                    "where data >= ? and data <= ? group by data"),
                     {Formats::dbDate(request.first), Formats::dbDate(request.last)});
    if (!reader.ok())
        return false;
    while (reader.next()) {
        const QDate day = reader.date(0);
        const Money in = amountIn(reader, 1).value_or(Money());
        const Money out = amountIn(reader, 2).value_or(Money());
        std::optional<Money> net = in.minus(out);
        // A day stored in two spellings (with and without a time) adds up.
        if (auto known = m_days.constFind(day); known != m_days.constEnd())
            net = known->has_value() && net ? (*known)->plus(*net) : std::nullopt;
        m_days.insert(day, net);
    }
    return reader.ok();
}

int CashBookRows::columnOf(const QString& field) const
{
    static const char16_t* const names[] = {u"data",      u"hora",    u"idconta", u"ndoc",
                                            u"descricao", u"entrada", u"saida"};
    for (int i = 0; i < int(std::size(names)); ++i) {
        if (field.compare(QStringView(names[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString CashBookRows::fieldText(qsizetype row, int column, const QString& format) const
{
    const CashBookEntry& e = m_entries.at(row);
    switch (Column(column)) {
    case Data:
        return format.isEmpty() ? Formats::dbDate(e.data) : shownDate(e.data);
    case Hora:
        return shownTime(e.hora);
    case IdConta:
        return e.idconta ? QString::number(*e.idconta) : QString();
    case NDoc:
        return e.ndoc;
    case Descricao:
        return e.descricao;
    case Entrada:
        return formatMoney(e.entrada);
    case Saida:
        return formatMoney(e.saida);
    }
    return QString();
}

// The same texts recur on every line of a day (its date, the times of the
// day); one shared copy of each keeps a long report small.
QString CashBookRows::shownDate(const QDate& date) const
{
    if (date != m_lastDate || m_lastDateText.isNull()) {
        m_lastDate = date;
        m_lastDateText = Formats::date(date);
    }
    return m_lastDateText;
}

QString CashBookRows::shownTime(const QTime& time) const
{
    const int minute = time.isValid() ? time.hour() * 60 + time.minute() : -1;
    auto known = m_timeTexts.constFind(minute);
    if (known == m_timeTexts.constEnd())
        known = m_timeTexts.insert(minute, Formats::time(time));
    return *known;
}
