#pragma once

#include "reports/BandEngine.h"
#include "reports/ReportChart.h"
#include "reports/ReportLayout.h"

#include <QLineF>
#include <QList>
#include <QRectF>
#include <QStringList>

#include <memory>

// One thing to draw on a page, in twips from the sheet's top-left corner.
struct DrawItem
{
    enum class Kind { Text, Line, Box, Chart };
    Kind kind = Kind::Text;
    const ReportControl* control = nullptr; // its style
    QRectF rect;
    QLineF line;
    QString text;
};

// Where a searched text was found.
struct FindMatch
{
    int page = 0;
    QRectF rect;
};

// A finished report: its bands laid out into pages. The preview, the printer
// and the PDF all draw these same pages. Read-only once made.
class ReportDocument
{
public:
    ReportDocument(ReportDefinition definition, QList<Band> bands, ChartData chart);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const ReportDefinition& definition() const { return m_definition; }
    const QList<Band>& bands() const { return m_bands; }
    const QList<ReportPage>& pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }
    const ChartData& chartData() const { return m_chart; }

    // What page number (from 0) a band was placed on.
    int pageOfBand(qsizetype band) const;
    // The things to draw on a page, made when asked for.
    QList<DrawItem> pageItems(int page) const;
    // The texts a control prints, band after band of its section.
    QStringList texts(const QString& section, const QString& control) const;
    // Every printed text holding the searched one (ignoring case), page by
    // page, top to bottom.
    QList<FindMatch> find(const QString& text) const;

    // The chart, drawn by Qt Charts; made on first use.
    ChartRenderer& chartRenderer() const;

private:
    ReportDefinition m_definition;
    QList<Band> m_bands;
    QList<ReportPage> m_pages;
    QList<int> m_pageOfBand;
    ChartData m_chart;
    mutable std::unique_ptr<ChartRenderer> m_renderer;
};
