#include "reports/PdfCanvas.h"

#include <QRawFont>

#include <charconv>
#include <cmath>

PdfFont& PdfFontSet::face(const QFont& font)
{
    const QString key = font.family() + u'|' + QString::number(font.weight()) + u'|' +
                        QString::number(int(font.style()));
    auto known = m_byKey.constFind(key);
    if (known == m_byKey.constEnd()) {
        QFont unsized(font);
        unsized.setPixelSize(64);
        m_fonts.append(std::make_shared<PdfFont>(QRawFont::fromFont(unsized)));
        m_fonts.last()->setResourceName(nameOf(m_fonts.size() - 1));
        known = m_byKey.insert(key, m_fonts.size() - 1);
    }
    return *m_fonts.at(*known);
}

void PdfFontSet::releaseFaces()
{
    for (const auto& font : std::as_const(m_fonts))
        font->releaseFace();
}

PdfCanvas::PdfCanvas(PdfFontSet& fonts, double pageHeightTwips) : m_fonts(fonts)
{
    // Twips, y downwards: a twentieth of a point, turned upside down.
    m_out.reserve(32 * 1024);
    m_out.append("0.05 0 0 -0.05 0 ");
    number(pageHeightTwips / 20);
    m_out.append(" cm\n");
}

void PdfCanvas::integer(qint64 value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    m_out.append(buffer, end - buffer);
}

// Whole numbers as such, others to the hundredth (of a twip, or of a point
// for the few sizes in points), which no eye can tell apart.
void PdfCanvas::number(double value)
{
    const double rounded = std::round(value * 100) / 100;
    if (rounded == std::floor(rounded) && std::fabs(rounded) < 1e15) {
        integer(qint64(rounded));
        return;
    }
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 2).ptr;
    m_out.append(buffer, end - buffer);
}

namespace {
QByteArray colourOperands(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    const auto part = [](int v) {
        return v == 0     ? QByteArray("0")
               : v == 255 ? QByteArray("1")
                          : QByteArray::number(v / 255.0, 'f', 3);
    };
    return part(rgb.red()) + ' ' + part(rgb.green()) + ' ' + part(rgb.blue());
}
} // namespace

void PdfCanvas::fillColour(const QColor& colour)
{
    if (colour.rgb() == m_fill)
        return;
    m_fill = colour.rgb();
    m_out.append(colourOperands(colour) + " rg\n");
}

void PdfCanvas::strokeColour(const QColor& colour)
{
    if (colour.rgb() == m_stroke)
        return;
    m_stroke = colour.rgb();
    m_out.append(colourOperands(colour) + " RG\n");
}

void PdfCanvas::lineWidth(double width)
{
    if (width == m_width)
        return;
    m_width = width;
    number(width);
    m_out.append(" w\n");
}

// The four operands of a "re" operator.
void PdfCanvas::rectangle(const QRectF& rect)
{
    number(rect.x());
    m_out.append(' ');
    number(rect.y());
    m_out.append(' ');
    number(rect.width());
    m_out.append(' ');
    number(rect.height());
}

void PdfCanvas::fillRect(const QRectF& rect, const QColor& colour)
{
    fillColour(colour);
    rectangle(rect);
    m_out.append(" re f\n");
}

void PdfCanvas::strokeRect(const QRectF& rect, const QColor& colour, double width)
{
    strokeColour(colour);
    lineWidth(width);
    rectangle(rect);
    m_out.append(" re S\n");
}

void PdfCanvas::line(const QLineF& line, const QColor& colour, double width)
{
    strokeColour(colour);
    lineWidth(width);
    number(line.x1());
    m_out.append(' ');
    number(line.y1());
    m_out.append(" m ");
    number(line.x2());
    m_out.append(' ');
    number(line.y2());
    m_out.append(" l S\n");
}

void PdfCanvas::path(const QPainterPath& path, const QColor* fill, const QColor* stroke,
                     double width)
{
    if ((!fill && !stroke) || path.isEmpty())
        return;
    if (fill)
        fillColour(*fill);
    if (stroke) {
        strokeColour(*stroke);
        lineWidth(width);
    }
    const auto point = [this](const QPainterPath::Element& e) {
        number(e.x);
        m_out.append(' ');
        number(e.y);
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.isMoveTo()) {
            point(e);
            m_out.append(" m\n");
        } else if (e.isLineTo()) {
            point(e);
            m_out.append(" l\n");
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            point(e);
            m_out.append(' ');
            point(path.elementAt(i + 1));
            m_out.append(' ');
            point(path.elementAt(i + 2));
            m_out.append(" c\n");
            i += 2;
        }
    }
    const bool evenOdd = path.fillRule() == Qt::OddEvenFill;
    if (fill && stroke)
        m_out.append(evenOdd ? "b*\n" : "b\n");
    else if (fill)
        m_out.append(evenOdd ? "f*\n" : "f\n");
    else
        m_out.append("S\n");
}

void PdfCanvas::glyphs(PdfFont& font, QStringView text)
{
    static const char digits[] = "0123456789ABCDEF";
    m_out.append('<');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = PdfFont::codePointAt(text, i);
        if (c == u'\n' || c == 0x2028)
            continue;
        const quint16 id = font.glyph(c).id;
        const char hex[4] = {digits[id >> 12], digits[(id >> 8) & 15], digits[(id >> 4) & 15],
                             digits[id & 15]};
        m_out.append(hex, 4);
    }
    m_out.append("> Tj ET\n");
}

void PdfCanvas::text(PdfFont& font, double size, QPointF baseline, QStringView text,
                     const QColor& colour)
{
    if (text.isEmpty())
        return;
    fillColour(colour);
    m_out.append("BT /");
    m_out.append(font.resourceName());
    m_out.append(' ');
    number(size);
    m_out.append(" Tf 1 0 0 -1 ");
    number(baseline.x());
    m_out.append(' ');
    number(baseline.y());
    m_out.append(" Tm ");
    glyphs(font, text);
}

void PdfCanvas::text(PdfFont& font, double size, QPointF baseline, const QTransform& toTwips,
                     QStringView text, const QColor& colour)
{
    if (text.isEmpty())
        return;
    // Glyph space has y upwards; the drawing's space has it downwards.
    const QTransform m = QTransform(1, 0, 0, -1, baseline.x(), baseline.y()) * toTwips;
    fillColour(colour);
    m_out.append("BT /");
    m_out.append(font.resourceName());
    m_out.append(' ');
    number(size);
    m_out.append(" Tf ");
    for (const double v : {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()}) {
        m_out.append(QByteArray::number(v, 'f', 4));
        m_out.append(' ');
    }
    m_out.append("Tm ");
    glyphs(font, text);
}
