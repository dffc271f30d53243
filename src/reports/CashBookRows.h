#pragma once

#include "book/ReportRows.h"
#include "reports/BandEngine.h"

#include <QHash>
#include <QList>
#include <QString>

// The report's rows as the band engine reads them: each field's printed text.
// Read-only once made, so the preview may read it while the report is still
// being laid out on another thread.
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
    void setEntries(QList<CashBookEntry> entries);

    qsizetype rowCount() const override { return m_rows.entries.size(); }
    int columnOf(const QString& field) const override;
    QString fieldText(qsizetype row, int column, const QString& format) const override;

private:
    void prepareTexts();

    ReportRows m_rows;
    // The same texts recur on every line of a day (its date, the times of
    // the day): one shared copy of each keeps a long report small.
    QHash<QDate, std::pair<QString, QString>> m_dateTexts; // shown, and as stored
    QList<QString> m_timeTexts; // by minute of the day; the last for no time
};
