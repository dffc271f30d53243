#include "reports/CashBookRows.h"

#include "core/Formats.h"

namespace {
constexpr int kMinutesPerDay = 24 * 60;
}

CashBookRows::CashBookRows(ReportRows rows) : m_rows(std::move(rows))
{
    prepareTexts();
}

void CashBookRows::setEntries(QList<CashBookEntry> entries)
{
    m_rows.entries = std::move(entries);
    prepareTexts();
}

void CashBookRows::prepareTexts()
{
    m_dateTexts.clear();
    QDate last;
    for (const CashBookEntry& e : std::as_const(m_rows.entries)) {
        if (e.data != last || m_dateTexts.isEmpty()) {
            last = e.data;
            if (!m_dateTexts.contains(last))
                m_dateTexts.insert(last, {Formats::date(last), Formats::dbDate(last)});
        }
    }
    m_timeTexts.resize(kMinutesPerDay + 1);
    for (int minute = 0; minute < kMinutesPerDay; ++minute)
        m_timeTexts[minute] = Formats::time(QTime(minute / 60, minute % 60));
    m_timeTexts[kMinutesPerDay] = Formats::time(QTime());
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
    const CashBookEntry& e = m_rows.entries.at(row);
    switch (Column(column)) {
    case Data: {
        const auto texts = m_dateTexts.constFind(e.data);
        if (texts == m_dateTexts.constEnd())
            return format.isEmpty() ? Formats::dbDate(e.data) : Formats::date(e.data);
        return format.isEmpty() ? texts->second : texts->first;
    }
    case Hora:
        return m_timeTexts.at(e.hora.isValid() ? e.hora.hour() * 60 + e.hora.minute()
                                               : kMinutesPerDay);
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
