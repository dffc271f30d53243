#include "reports/PdfPaintDevice.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QTextItem>

#include <climits>
#include <cmath>

namespace {
constexpr double kTwipsPerDot = 15;
constexpr int kDotsPerInch = 96;

QColor colourOf(const QBrush& brush)
{
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().constFirst().second;
    return brush.color();
}
} // namespace

// Draws what QPainter hands it, transformed to twips: paths, polygons,
// rectangles and lines as vectors, text as text. Pictures are not drawn (the
// chart has none), nor is clipping kept (the chart draws inside its box).
class PdfPaintEngine final : public QPaintEngine
{
public:
    explicit PdfPaintEngine(PdfCanvas& canvas) : QPaintEngine(AllFeatures), m_canvas(canvas) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState&) override {}

    void drawPath(const QPainterPath& path) override
    {
        const QTransform toTwips = transform();
        const QPainterPath mapped = toTwips.map(path);
        const QBrush brush = state->brush();
        const QPen pen = state->pen();
        const bool filled = brush.style() != Qt::NoBrush && brush.color().alpha() > 0;
        const bool stroked = pen.style() != Qt::NoPen && pen.color().alpha() > 0;
        const QColor fill = colourOf(brush);
        const QColor stroke = pen.color();
        m_canvas.path(mapped, filled ? &fill : nullptr, stroked ? &stroke : nullptr,
                      penWidth(pen, toTwips));
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 2)
            return;
        QPainterPath path;
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode == PolylineMode) { // never filled
            strokeOnly(path);
            return;
        }
        path.closeSubpath();
        path.setFillRule(mode == OddEvenMode ? Qt::OddEvenFill : Qt::WindingFill);
        drawPath(path);
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            drawPath(path);
        }
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.moveTo(lines[i].p1());
            path.lineTo(lines[i].p2());
            strokeOnly(path);
        }
    }
    void drawTextItem(const QPointF& point, const QTextItem& item) override
    {
        const QFont font = item.font();
        const double size =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDotsPerInch / 72.0;
        m_canvas.text(m_canvas.fonts().face(font), size, point, transform(), item.text(),
                      state->pen().color());
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

private:
    QTransform transform() const
    {
        return state->transform() * QTransform::fromScale(kTwipsPerDot, kTwipsPerDot);
    }
    static double penWidth(const QPen& pen, const QTransform& toTwips)
    {
        if (pen.isCosmetic() || pen.widthF() <= 0)
            return std::max(1.0, pen.widthF()) * kTwipsPerDot;
        return pen.widthF() * std::sqrt(std::fabs(toTwips.determinant()));
    }
    void strokeOnly(const QPainterPath& path)
    {
        const QPen pen = state->pen();
        if (pen.style() == Qt::NoPen)
            return;
        const QTransform toTwips = transform();
        const QColor stroke = pen.color();
        m_canvas.path(toTwips.map(path), nullptr, &stroke, penWidth(pen, toTwips));
    }

    PdfCanvas& m_canvas;
};

PdfPaintDevice::PdfPaintDevice(PdfCanvas& canvas, QSizeF sheetTwips)
    : m_sheet(sheetTwips), m_engine(std::make_unique<PdfPaintEngine>(canvas))
{
}

PdfPaintDevice::~PdfPaintDevice() = default;

QPaintEngine* PdfPaintDevice::paintEngine() const
{
    return m_engine.get();
}

int PdfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return qRound(m_sheet.width() / kTwipsPerDot);
    case PdmHeight:
        return qRound(m_sheet.height() / kTwipsPerDot);
    case PdmWidthMM:
        return qRound(m_sheet.width() / 1440 * 25.4);
    case PdmHeightMM:
        return qRound(m_sheet.height() / 1440 * 25.4);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return kDotsPerInch;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return INT_MAX;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}
