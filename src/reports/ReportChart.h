#pragma once

#include "core/Money.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

class QChart;
class QGraphicsScene;
class QPainter;

// The figures of a category chart: one row per category, one value per
// column (series) in each row.
struct ChartData
{
    struct Column
    {
        QString label;
        QColor colour;
    };
    struct Row
    {
        QString label;
        QList<Money> values; // one per column
    };

    QString title;
    QList<Column> columns;
    QList<Row> rows;

    // Grows or shrinks to n rows; new rows hold zeros.
    void setRowCount(qsizetype n);
    // Row and column are counted from 0; outside the chart nothing changes.
    void setValue(qsizetype row, qsizetype column, Money value);
};

// Draws a chart with Qt Charts into any painter (screen, printer or PDF),
// as vectors, so it stays sharp at every size.
class ChartRenderer
{
public:
    explicit ChartRenderer(ChartData data);
    ~ChartRenderer();
    ChartRenderer(const ChartRenderer&) = delete;
    ChartRenderer& operator=(const ChartRenderer&) = delete;

    // target is in the painter's coordinates, measured in twips; the chart is
    // laid out for that size at screen resolution and scaled onto it.
    void render(QPainter& painter, const QRectF& target);

    // The chart as laid out for a size in twips, for whoever needs to look
    // at it (axes, series, labels).
    QChart* chart(const QSizeF& twips);

    // Every how many categories a label is written: all of them while they
    // fit side by side, otherwise evenly thinned so a year of days stays
    // legible.
    static qsizetype labelStep(qsizetype categories, double plotWidthPixels);
    // The day labels written under the chart last time it was laid out.
    const QStringList& dayLabels() const { return m_dayLabels; }

private:
    void build(const QSizeF& pixels);
    void addBars();
    void addDayAxis();
    double dayLabelRoom(double plotWidthPixels) const;
    void addDayLabels(double plotWidthPixels);
    void addValueAxis();

    ChartData m_data;
    std::unique_ptr<QGraphicsScene> m_scene;
    QChart* m_chart = nullptr; // owned by the scene
    QSizeF m_builtFor;
    QStringList m_dayLabels;
};
