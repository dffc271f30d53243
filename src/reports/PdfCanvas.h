#pragma once

#include "reports/PdfFont.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QLineF>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include <memory>

// The faces one drawing uses, each under a resource name ("R0", "R1"…; the
// prefix tells the sets of one file apart). Made and drawn with on one
// thread; handed whole to the writer afterwards.
class PdfFontSet
{
public:
    explicit PdfFontSet(QByteArray prefix) : m_prefix(std::move(prefix)) {}
    // The face a font draws with (family, weight and style, any size).
    PdfFont& face(const QFont& font);
    qsizetype size() const { return m_fonts.size(); }
    PdfFont& at(qsizetype i) const { return *m_fonts.at(i); }
    QByteArray nameOf(qsizetype i) const { return m_prefix + QByteArray::number(i); }
    void releaseFaces();

private:
    QByteArray m_prefix;
    QList<std::shared_ptr<PdfFont>> m_fonts;
    QHash<QString, qsizetype> m_byKey;
};

// A page's drawing as PDF operators, in twips from the sheet's top-left
// corner with y growing downwards, as the report measures everything.
class PdfCanvas
{
public:
    PdfCanvas(PdfFontSet& fonts, double pageHeightTwips);

    void fillRect(const QRectF& rect, const QColor& colour);
    void strokeRect(const QRectF& rect, const QColor& colour, double width);
    void line(const QLineF& line, const QColor& colour, double width);
    // A path already in twips: filled, stroked, or both.
    void path(const QPainterPath& path, const QColor* fill, const QColor* stroke, double width);
    // Text from its baseline's left end; size is the font's height in twips.
    void text(PdfFont& font, double size, QPointF baseline, QStringView text, const QColor& colour);
    // Text through a transform: glyphs drawn upright at `baseline` in the
    // transform's own space, which maps to twips.
    void text(PdfFont& font, double size, QPointF baseline, const QTransform& toTwips,
              QStringView text, const QColor& colour);
    // Operators drawn elsewhere, in the same space.
    void append(const QByteArray& operators) { m_out.append(operators); }

    PdfFontSet& fonts() { return m_fonts; }
    const QByteArray& operators() const { return m_out; }
    QByteArray take() { return std::move(m_out); }

private:
    void number(double value);
    void rectangle(const QRectF& rect);
    void integer(qint64 value);
    void fillColour(const QColor& colour);
    void strokeColour(const QColor& colour);
    void lineWidth(double width);
    void glyphs(PdfFont& font, QStringView text);

    PdfFontSet& m_fonts;
    QByteArray m_out;
    QRgb m_fill = qRgb(0, 0, 0);
    QRgb m_stroke = qRgb(0, 0, 0);
    double m_width = -1;
};
