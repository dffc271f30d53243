#include "reports/CashBookRows.h"

#include "core/Formats.h"

CashBookRows::CashBookRows(ReportRows rows) : m_rows(std::move(rows)) {}

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
