#pragma once

#include "reports/BandEngine.h"
#include "reports/ReportChart.h"
#include "reports/ReportLayout.h"

#include <QLineF>
#include <QList>
#include <QMutex>
#include <QRectF>
#include <QStringList>

#include <atomic>
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

// A report's bands laid out into pages; the preview, the printer and the PDF
// all draw these same pages. A layout fills it band by band (see BandSink),
// possibly on another thread: meanwhile the pages already complete can be
// read and drawn, and pageCount() grows. Once complete it never changes.
class ReportDocument final : public BandSink
{
public:
    // expectedBands: how many bands the layout will add, if known, so the
    // lists are made that size at once.
    ReportDocument(ReportDefinition definition, std::shared_ptr<const ReportDataSource> rows,
                   qsizetype expectedBands = 0);
    ~ReportDocument() override;
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    // Filling, on the layout's thread.
    const FieldBindings& bindings() const { return m_bindings; }
    void add(Band band, const BandTexts& texts) override;
    // No more bands: the last page is complete and the chart is kept.
    void finish(ChartData chart);

    // Reading, on any thread.
    const ReportDefinition& definition() const { return m_definition; }
    bool isComplete() const { return m_complete.load(std::memory_order_acquire); }
    // The pages complete so far; all of them once the document is complete.
    int pageCount() const;
    // The things to draw on a complete page, made when asked for.
    QList<DrawItem> pageItems(int page) const;
    // Every printed text holding the searched one (ignoring case), page by
    // page, top to bottom, on the pages complete so far.
    QList<FindMatch> find(const QString& text) const;

    // Once complete only.
    const QList<Band>& bands() const { return m_bands; }
    const QList<ReportPage>& pages() const { return m_pages; }
    // What page number (from 0) a band was placed on.
    int pageOfBand(qsizetype band) const;
    // The texts a control prints, band after band of its section.
    QStringList texts(const QString& section, const QString& control) const;
    const ChartData& chartData() const { return m_chart; }
    // The chart, drawn by Qt Charts; made on first use, on the UI thread,
    // and let go there too (it holds objects of that thread).
    ChartRenderer& chartRenderer() const;
    void releaseChartRenderer() const { m_renderer.reset(); }

private:
    QString textOf(const Band& band, int control) const;

    const ReportDefinition m_definition;
    const std::shared_ptr<const ReportDataSource> m_rows;
    const FieldBindings m_bindings;

    // A text a hook set: its control, and where it is kept. The texts are
    // kept end to end in one string, which costs far less than a string
    // each when a report has a million of them.
    struct SetText
    {
        quint32 offset = 0;
        quint16 length = 0;
        quint8 control = 0;
    };

    mutable QMutex m_mutex; // guards what follows while the document fills
    QList<Band> m_bands;
    QList<SetText> m_setTexts;
    QString m_textStore;
    QList<ReportPage> m_pages;
    QList<int> m_pageOfBand;
    int m_pagesDone = 0;

    // The layout's own state, touched by its thread only.
    ReportLayout::Growth m_growth;
    ReportLayout::Paginator m_paginator;

    std::atomic<bool> m_complete{false};
    ChartData m_chart;
    mutable std::unique_ptr<ChartRenderer> m_renderer;
};
