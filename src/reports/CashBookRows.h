#pragma once

#include "book/ReportRows.h"
#include "reports/BandEngine.h"

#include <QHash>
#include <QString>

// The report's rows as the band engine reads them: each field's printed text.
class CashBookRows final : public ReportDataSource
{
public:
    enum Column { Data, Hora, IdConta, NDoc, Descricao, Entrada, Saida };
    using DayMovements = ReportRows::DayMovements;

    CashBookRows() = default;
    explicit CashBookRows(ReportRows rows);

    const QList<CashBookEntry>& entries() const { return m_rows.entries; }
    const DayMovements& dayMovements() const { return m_rows.days; }
    bool dayMovementsRead() const { return m_rows.dayMovementsRead; }
    // For building rows without a book.
    void setEntries(QList<CashBookEntry> entries) { m_rows.entries = std::move(entries); }

    qsizetype rowCount() const override { return m_rows.entries.size(); }
    int columnOf(const QString& field) const override;
    QString fieldText(qsizetype row, int column, const QString& format) const override;

private:
    QString shownDate(const QDate& date) const;
    QString shownTime(const QTime& time) const;

    ReportRows m_rows;
    mutable QDate m_lastDate;
    mutable QString m_lastDateText;
    mutable QHash<int, QString> m_timeTexts;
};
