#pragma once

#include "core/Money.h"
#include "core/Result.h"
#include "reports/BandEngine.h"
#include "reports/CashBookRows.h"
#include "reports/ReportChart.h"
#include "reports/ReportDocument.h"

#include <QCoreApplication>
#include <QStringList>

#include <memory>
#include <optional>

class DbConnection;
class ReportDocument;

// The values the report window hands to the report before a run.
struct ReportContext
{
    Money OpeningBalance;
    QString ReportPeriodText;
    bool NewPagePerDay = false;
};

// What one run computed, in figures rather than printed texts: what the
// spreadsheet is written from.
struct CashBookContent
{
    struct Day
    {
        QDate date;
        qsizetype firstRow = 0;
        qsizetype rowCount = 0;
        std::optional<Money> movement; // of all accounts; nothing when unknown
    };

    QString periodText;
    QString accountName; // "Todas" or the chosen account
    Money openingBalance;
    std::shared_ptr<const CashBookRows> rows;
    QList<std::optional<Money>> balances; // per row; nothing where it overflowed
    QList<Day> days;
    Money totalIn;
    Money totalOut;
};

// The cash-book report's hooks and run state. A fresh object serves each
// run; what a run produces is the pages and the figures behind them.
class dtrLivroCaixa final : public ReportEvents
{
    Q_DECLARE_TR_FUNCTIONS(dtrLivroCaixa)

public:
    struct Output
    {
        std::shared_ptr<const ReportDocument> document;
        std::shared_ptr<const CashBookContent> content;
    };

    // Runs the report over rows (already read) to completion.
    static Output run(const ReportContext& context, std::shared_ptr<const CashBookRows> rows,
                      const QString& accountName);

    dtrLivroCaixa(const ReportContext& context, std::shared_ptr<const CashBookRows> rows,
                  const QString& accountName);

    void reportStart() override { ActiveReport_ReportStart(); }
    void format(BandContext& band) override;

    void ActiveReport_ReportStart();
    void GroupHeader1_Format(BandContext& band);
    void Detail_Format(BandContext& band);
    void GroupFooter1_Format(BandContext& band);
    void ReportFooter_Format(BandContext& band);

    // Once the report is complete: the figures and the chart it made.
    std::shared_ptr<const CashBookContent> content() const { return m_content; }
    ChartData takeChart() { return std::move(m_chart); }

private:
    // The run state; sums in the money type, days without a fixed limit.
    qint64 GroupCount = 0;
    Money RunningBalance;
    bool m_balanceKnown = true; // false after a sum too large for the money type
    QString LastDate;
    qint64 DayCount = 0;
    Money DayIn;
    Money DayOut;
    Money TotalIn;
    Money TotalOut;
    QStringList DayDates;

    const ReportContext m_context;
    std::shared_ptr<CashBookContent> m_content;
    ChartData m_chart;
};

// One run of the cash-book report laid out in steps, so that a long report
// can be shown page by page while it is made, and stopped.
class CashBookLayout
{
public:
    CashBookLayout(const ReportContext& context, std::shared_ptr<const CashBookRows> rows,
                   const QString& accountName);
    ~CashBookLayout();
    CashBookLayout(const CashBookLayout&) = delete;
    CashBookLayout& operator=(const CashBookLayout&) = delete;

    // Lays out up to `count` more rows; true once the report is complete.
    bool step(qsizetype count);
    qsizetype rowsDone() const;
    qsizetype rowCount() const;
    // Fills as the layout goes; complete when step() said so.
    const std::shared_ptr<ReportDocument>& document() const { return m_document; }
    // Once complete.
    dtrLivroCaixa::Output output() const;

private:
    std::shared_ptr<const CashBookRows> m_rows;
    dtrLivroCaixa m_report;
    std::shared_ptr<ReportDocument> m_document;
    BandRunner m_runner;
    bool m_done = false;
};

namespace CashBookReport {

// Reads the period's rows from the book and runs the report over them.
::Result<dtrLivroCaixa::Output> build(DbConnection& db, const CashBookRequest& request,
                                      const ReportContext& context, const QString& accountName);

} // namespace CashBookReport
