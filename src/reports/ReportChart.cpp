#include "reports/ReportChart.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

void ChartData::setRowCount(qsizetype n)
{
    while (rows.size() > n)
        rows.removeLast();
    while (rows.size() < n)
        rows.append(Row{QString(), QList<Money>(columns.size())});
}

void ChartData::setValue(qsizetype row, qsizetype column, Money value)
{
    if (row < 0 || row >= rows.size() || column < 0 || column >= columns.size())
        return;
    QList<Money>& values = rows[row].values;
    if (values.size() < columns.size())
        values.resize(columns.size());
    values[column] = value;
}

namespace {

constexpr double kTwipsPerPixel = 15.0;
// The room a label takes along the axis: written across, and on end when
// the days crowd.
constexpr double kLabelAcross = 56.0;
constexpr double kLabelOnEnd = 22.0;
constexpr double kAxisRoom = 90.0; // the value axis and the chart's margins
constexpr double kDayLabelPoints = 7.5;
constexpr double kBarWidth = 0.9; // of a day's category, shared by its columns

double toDouble(Money m)
{
    return double(m.units()) / double(Money::kUnitsPerReal);
}

struct Scale
{
    double low = 0;
    double high = 0;
    double step = 1;
    int decimals = 0;
};

// A round step (1, 2 or 5 times a power of ten) giving about six intervals.
Scale niceScale(double low, double high)
{
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    if (high - low <= 0)
        high = low + 100;
    const double raw = (high - low) / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    Scale s;
    s.step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
    s.low = std::floor(low / s.step) * s.step;
    s.high = std::ceil(high * 1.04 / s.step) * s.step; // the tallest bar stays under the top
    s.decimals = s.step >= 1 ? 0 : 2;
    return s;
}

QFont chartFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

ChartRenderer::ChartRenderer(ChartData data) : m_data(std::move(data)) {}

ChartRenderer::~ChartRenderer() = default;

qsizetype ChartRenderer::labelStep(qsizetype categories, double plotWidthPixels)
{
    if (categories <= 0 || plotWidthPixels <= 0)
        return 1;
    if (categories * kLabelAcross <= plotWidthPixels)
        return 1;
    const double fit = std::max(1.0, std::floor(plotWidthPixels / kLabelOnEnd));
    return qsizetype(std::ceil(double(categories) / fit));
}

QChart* ChartRenderer::chart(const QSizeF& twips)
{
    const QSizeF pixels = twips / kTwipsPerPixel;
    if (!m_chart || m_builtFor != pixels)
        build(pixels);
    return m_chart;
}

void ChartRenderer::render(QPainter& painter, const QRectF& target)
{
    chart(target.size());
    m_scene->render(&painter, target, QRectF(QPointF(0, 0), m_builtFor), Qt::IgnoreAspectRatio);
}

void ChartRenderer::build(const QSizeF& pixels)
{
    m_scene = std::make_unique<QGraphicsScene>();
    m_chart = new QChart;
    m_scene->addItem(m_chart);
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundRoundness(0);
    m_chart->setDropShadowEnabled(false);
    m_chart->setTitle(m_data.title);
    m_chart->setTitleFont(chartFont(12, true));
    // The report draws its own legend keys under the chart.
    m_chart->legend()->hide();

    const double plotWidth = pixels.width() - kAxisRoom;
    m_chart->setMargins(QMargins(4, 4, 8, 4 + int(std::ceil(dayLabelRoom(plotWidth)))));
    addBars();
    addDayAxis();
    addValueAxis();
    m_chart->setGeometry(QRectF(QPointF(0, 0), pixels));
    // Laid out now rather than at the next turn of the event loop, which
    // a PDF written in one go never gives it.
    if (QGraphicsLayout* layout = m_chart->layout())
        layout->activate();
    m_dayLabels.clear();
    addDayLabels(plotWidth);
    m_builtFor = pixels;
}

// Each column's bars are one filled outline, side by side within a day's
// category: a bar item per value would cost Qt Charts kilobytes per day.
void ChartRenderer::addBars()
{
    const qsizetype count = m_data.rows.size();
    const double share = kBarWidth / double(std::max<qsizetype>(1, m_data.columns.size()));
    for (qsizetype c = 0; c < m_data.columns.size(); ++c) {
        auto* area = new QAreaSeries;
        auto* upper = new QLineSeries(area);
        auto* lower = new QLineSeries(area);
        QList<QPointF> points;
        points.reserve(4 * count);
        for (qsizetype i = 0; i < count; ++i) {
            const QList<Money>& values = m_data.rows.at(i).values;
            const double value = c < values.size() ? toDouble(values.at(c)) : 0.0;
            const double left = double(i) - kBarWidth / 2 + double(c) * share;
            points << QPointF(left, 0) << QPointF(left, value) << QPointF(left + share, value)
                   << QPointF(left + share, 0);
        }
        upper->replace(points);
        lower->append(-0.5, 0);
        lower->append(std::max<double>(0.5, double(count) - 0.5), 0);
        area->setUpperSeries(upper);
        area->setLowerSeries(lower);
        area->setName(m_data.columns.at(c).label);
        area->setBrush(m_data.columns.at(c).colour);
        area->setPen(Qt::NoPen); // outlines would blacken thin bars
        m_chart->addSeries(area);
    }
}

// The days' axis carries no labels of its own: Qt Charts makes a rich-text
// item of some twenty kilobytes per label, so the days are written as plain
// text items once the chart is laid out.
void ChartRenderer::addDayAxis()
{
    auto* axis = new QValueAxis;
    axis->setLabelsVisible(false);
    axis->setGridLineVisible(false);
    axis->setTickCount(2);
    axis->setRange(-0.5, std::max<double>(0.5, double(m_data.rows.size()) - 0.5));
    m_chart->addAxis(axis, Qt::AlignBottom);
    for (QAbstractSeries* series : m_chart->series())
        series->attachAxis(axis);
}

// How far below the plot the day labels reach, in pixels.
double ChartRenderer::dayLabelRoom(double plotWidthPixels) const
{
    const QFontMetricsF metrics(chartFont(kDayLabelPoints));
    const qsizetype count = m_data.rows.size();
    if (labelStep(count, plotWidthPixels) == 1 && count * kLabelAcross <= plotWidthPixels)
        return metrics.height() + 6;
    return metrics.horizontalAdvance(QStringLiteral("00/00/00")) + 8;
}

void ChartRenderer::addDayLabels(double plotWidthPixels)
{
    const qsizetype count = m_data.rows.size();
    if (count == 0 || m_chart->series().isEmpty())
        return;
    const qsizetype step = labelStep(count, plotWidthPixels);
    const bool onEnd = step > 1 || count * kLabelAcross > plotWidthPixels;
    const QFont font = chartFont(kDayLabelPoints);
    QAbstractSeries* series = m_chart->series().constFirst();
    const double axisY = m_chart->plotArea().bottom();
    for (qsizetype i = 0; i < count; i += step) {
        auto* label = new QGraphicsSimpleTextItem(m_data.rows.at(i).label, m_chart);
        label->setFont(font);
        label->setBrush(QColor(60, 60, 60));
        const QRectF box = label->boundingRect();
        const double x = m_chart->mapToPosition(QPointF(double(i), 0), series).x();
        if (onEnd) { // read from the bottom up, ending just under the axis
            label->setRotation(-90);
            label->setPos(x - box.height() / 2, axisY + 4 + box.width());
        } else {
            label->setPos(x - box.width() / 2, axisY + 3);
        }
        m_dayLabels.append(label->text());
    }
}

void ChartRenderer::addValueAxis()
{
    double low = 0;
    double high = 0;
    for (const ChartData::Row& row : m_data.rows) {
        for (Money v : row.values) {
            low = std::min(low, toDouble(v));
            high = std::max(high, toDouble(v));
        }
    }
    const Scale scale = niceScale(low, high);
    // Amounts written the Brazilian way, whatever the machine's locale.
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setLabelsFont(chartFont(8));
    axis->setStartValue(scale.low);
    for (double v = scale.low; v <= scale.high + scale.step / 2; v += scale.step) {
        const double value = std::abs(v) < scale.step / 1000 ? 0.0 : v;
        axis->append(brazil.toString(value, 'f', scale.decimals), value);
    }
    axis->setRange(scale.low, scale.high);
    m_chart->addAxis(axis, Qt::AlignLeft);
    for (QAbstractSeries* series : m_chart->series())
        series->attachAxis(axis);
}
