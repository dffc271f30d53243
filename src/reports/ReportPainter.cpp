#include "reports/ReportPainter.h"

#include "reports/ReportDocument.h"

#include <QHash>
#include <QPainter>

namespace ReportPainter {

namespace {

constexpr double kRuleWidth = 15; // one pixel at screen resolution, in twips

Qt::Alignment alignmentOf(const ReportControl& c)
{
    Qt::Alignment a = c.valign == VAlign::Center ? Qt::AlignVCenter : Qt::AlignTop;
    switch (c.align) {
    case HAlign::Left:
        return a | Qt::AlignLeft;
    case HAlign::Center:
        return a | Qt::AlignHCenter;
    case HAlign::Right:
        return a | Qt::AlignRight;
    }
    return a;
}

class PagePainter
{
public:
    PagePainter(QPainter& painter, const ReportDocument& document)
        : m_painter(painter), m_document(document)
    {
    }

    void text(const DrawItem& item)
    {
        const ReportControl& c = *item.control;
        if (c.background.isValid())
            m_painter.fillRect(item.rect, c.background);
        if (!item.text.isEmpty()) {
            m_painter.setFont(font(c));
            m_painter.setPen(c.foreground);
            int flags = int(alignmentOf(c));
            if (c.canGrow)
                flags |= Qt::TextWordWrap;
            const double pad = ReportLayout::kTextPadding;
            m_painter.drawText(item.rect.adjusted(pad, 0, -pad, 0), flags, item.text);
        }
        if (c.border) {
            m_painter.setPen(QPen(Qt::black, kRuleWidth));
            m_painter.setBrush(Qt::NoBrush);
            m_painter.drawRect(item.rect);
        }
    }

    void item(const DrawItem& item)
    {
        switch (item.kind) {
        case DrawItem::Kind::Text:
            text(item);
            break;
        case DrawItem::Kind::Line:
            m_painter.setPen(QPen(item.control->foreground, kRuleWidth));
            m_painter.drawLine(item.line);
            break;
        case DrawItem::Kind::Box:
            m_painter.fillRect(item.rect, item.control->background);
            break;
        case DrawItem::Kind::Chart:
            m_painter.save();
            m_document.chartRenderer().render(m_painter, item.rect);
            m_painter.restore();
            break;
        }
    }

private:
    const QFont& font(const ReportControl& c)
    {
        auto it = m_fonts.find(&c);
        if (it == m_fonts.end())
            it = m_fonts.insert(&c, ReportLayout::fontOf(c));
        return *it;
    }

    QPainter& m_painter;
    const ReportDocument& m_document;
    QHash<const ReportControl*, QFont> m_fonts;
};

} // namespace

void paintPage(QPainter& painter, const ReportDocument& document, int page, const QRectF& target,
               const Marks& marks)
{
    const QSize paper = document.definition().paper;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(target.topLeft());
    painter.scale(target.width() / paper.width(), target.height() / paper.height());
    painter.setClipRect(QRectF(QPointF(0, 0), paper), Qt::IntersectClip);

    PagePainter pagePainter(painter, document);
    for (const DrawItem& item : document.pageItems(page))
        pagePainter.item(item);

    for (qsizetype i = 0; i < marks.rects.size(); ++i) {
        const QColor colour =
            i == marks.current ? QColor(255, 140, 0, 110) : QColor(255, 230, 0, 90);
        painter.fillRect(marks.rects.at(i), colour);
    }
    painter.restore();
}

} // namespace ReportPainter
