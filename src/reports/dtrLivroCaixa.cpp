#include "reports/dtrLivroCaixa.h"

#include "core/Formats.h"
#include "reports/CashBookDefinition.h"
#include "reports/ReportDocument.h"

#include <limits>

namespace {

// Adds to a sum unless the result would not fit; a sum that cannot grow
// keeps its value and the step is skipped.
bool addTo(Money& sum, Money amount)
{
    const auto result = sum.plus(amount);
    if (result)
        sum = *result;
    return result.has_value();
}

} // namespace

dtrLivroCaixa::dtrLivroCaixa(const ReportContext& context, std::shared_ptr<const CashBookRows> rows,
                             const QString& accountName)
    : m_context(context), m_content(std::make_shared<CashBookContent>())
{
    m_content->balances.reserve(rows->rowCount());
    m_content->rows = std::move(rows);
    m_content->periodText = context.ReportPeriodText;
    m_content->openingBalance = context.OpeningBalance;
    m_content->accountName = accountName;
    m_chart.title = tr("Gráfico");
    m_chart.columns = {{tr("Saídas"), QColor(255, 0, 0)}, {tr("Entradas"), QColor(0, 255, 255)}};
}

dtrLivroCaixa::Output dtrLivroCaixa::run(const ReportContext& context,
                                         std::shared_ptr<const CashBookRows> rows,
                                         const QString& accountName)
{
    CashBookLayout layout(context, std::move(rows), accountName);
    while (!layout.step(std::numeric_limits<qsizetype>::max())) {
    }
    return layout.output();
}

namespace {

// A band per entry, two per day and the report's own bands.
qsizetype expectedBands(const CashBookRows& rows)
{
    qsizetype days = 0;
    QDate last;
    for (const CashBookEntry& e : rows.entries()) {
        if (days == 0 || e.data != last)
            ++days;
        last = e.data;
    }
    return rows.rowCount() + 2 * days + 4;
}

} // namespace

CashBookLayout::CashBookLayout(const ReportContext& context,
                               std::shared_ptr<const CashBookRows> rows, const QString& accountName)
    : m_rows(rows), m_report(context, rows, accountName),
      m_document(std::make_shared<ReportDocument>(CashBookDefinition::dtrLivroCaixa(), rows,
                                                  expectedBands(*rows))),
      m_runner(m_document->definition(), *m_rows, m_document->bindings(), m_report, *m_document)
{
}

CashBookLayout::~CashBookLayout() = default;

bool CashBookLayout::step(qsizetype count)
{
    if (m_done)
        return true;
    if (!m_runner.run(count))
        return false;
    m_document->finish(m_report.takeChart());
    m_done = true;
    return true;
}

qsizetype CashBookLayout::rowsDone() const
{
    return m_runner.rowsDone();
}

qsizetype CashBookLayout::rowCount() const
{
    return m_rows->rowCount();
}

dtrLivroCaixa::Output CashBookLayout::output() const
{
    return {m_document, m_report.content()};
}

void dtrLivroCaixa::format(BandContext& band)
{
    switch (band.section().kind) {
    case ReportSection::Kind::ReportHeader:
        band.setText(QStringLiteral("lblCobertura"),
                     tr("Período: %1     Conta: %2")
                         .arg(m_context.ReportPeriodText, m_content->accountName));
        break;
    case ReportSection::Kind::GroupHeader:
        GroupHeader1_Format(band);
        break;
    case ReportSection::Kind::Detail:
        Detail_Format(band);
        break;
    case ReportSection::Kind::GroupFooter:
        GroupFooter1_Format(band);
        break;
    case ReportSection::Kind::ReportFooter:
        ReportFooter_Format(band);
        break;
    default:
        break;
    }
}

void dtrLivroCaixa::ActiveReport_ReportStart()
{
    DayCount = 0;
    RunningBalance = m_context.OpeningBalance;
}

void dtrLivroCaixa::GroupHeader1_Format(BandContext& band)
{
    // The first day never starts with a page break.
    if (GroupCount == 0)
        band.setPageBreak(false);
    else if (m_context.NewPagePerDay)
        band.setPageBreak(true);
    ++GroupCount;
}

void dtrLivroCaixa::Detail_Format(BandContext& band)
{
    const CashBookEntry& entry = m_content->rows->entries().at(band.row());
    band.setText(QStringLiteral("txtConta"), entry.conta);

    // Blank amounts count as zero.
    const Money in = entry.entrada.value_or(Money());
    const Money out = entry.saida.value_or(Money());
    const auto balance = m_balanceKnown ? RunningBalance.plus(in) : std::nullopt;
    const auto next = balance ? balance->minus(out) : std::nullopt;
    m_balanceKnown = next.has_value();
    if (next)
        RunningBalance = *next;
    band.setText(QStringLiteral("txtSaldo"), next ? next->format() : QString());
    m_content->balances.append(next);

    const QString date = band.text(QStringLiteral("txtData"));
    if (date != LastDate) {
        LastDate = date;
        ++DayCount;
        DayDates.append(date);
        m_content->days.append(CashBookContent::Day{entry.data, band.row(), 0, std::nullopt});
    }
    ++m_content->days.last().rowCount;

    if (!out.isZero()) {
        addTo(DayOut, out);
        addTo(TotalOut, out);
    }
    if (!in.isZero()) {
        addTo(DayIn, in);
        addTo(TotalIn, in);
    }

    m_chart.setRowCount(DayCount);
    m_chart.title = m_context.ReportPeriodText;
    m_chart.setValue(DayCount - 1, 0, DayOut);
    m_chart.setValue(DayCount - 1, 1, DayIn);
}

void dtrLivroCaixa::GroupFooter1_Format(BandContext& band)
{
    const CashBookEntry& entry = m_content->rows->entries().at(band.row());
    band.setText(QStringLiteral("txtTituloSaldoData"),
                 tr("Movimento do dia %1. ").arg(Formats::date(entry.data)));

    // Every account's movement that day, also when the report lists one.
    const CashBookRows::DayMovements& movements = m_content->rows->dayMovements();
    if (m_content->rows->dayMovementsRead()) {
        const auto day = movements.constFind(entry.data);
        const std::optional<Money> movement =
            day == movements.constEnd() ? std::optional<Money>(Money()) : *day;
        if (movement) {
            band.setText(QStringLiteral("txtSaldoDT"), movement->format());
            m_content->days.last().movement = movement;
        }
    }
    DayIn = Money();
    DayOut = Money();
}

void dtrLivroCaixa::ReportFooter_Format(BandContext& band)
{
    for (qsizetype n = 0; n < DayDates.size(); ++n) {
        const auto day = Formats::parseDate(DayDates.at(n));
        if (day && n < m_chart.rows.size())
            m_chart.rows[n].label = day->toString(QStringLiteral("dd/MM/yy"));
    }
    // An empty period still names its period over the empty chart.
    m_chart.title = m_context.ReportPeriodText;
    band.setText(QStringLiteral("lblSaidas"), tr("Saídas - %1").arg(TotalOut.format()));
    band.setText(QStringLiteral("lblEntradas"), tr("Entradas - %1").arg(TotalIn.format()));
    m_content->totalIn = TotalIn;
    m_content->totalOut = TotalOut;
}

namespace CashBookReport {

::Result<dtrLivroCaixa::Output> build(DbConnection& db, const CashBookRequest& request,
                                      const ReportContext& context, const QString& accountName)
{
    auto read = ReportRows::read(db, request);
    if (!read)
        return read.status();
    return dtrLivroCaixa::run(context, std::make_shared<CashBookRows>(std::move(read).value()),
                              accountName);
}

} // namespace CashBookReport
