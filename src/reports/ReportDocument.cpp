#include "reports/ReportDocument.h"

#include <algorithm>
#include <limits>

ReportDocument::ReportDocument(ReportDefinition definition, QList<Band> bands, ChartData chart)
    : m_definition(std::move(definition)), m_bands(std::move(bands)), m_chart(std::move(chart))
{
    m_pages = ReportLayout::paginate(m_definition, m_bands);
    m_pageOfBand.resize(m_bands.size());
    for (qsizetype p = 0; p < m_pages.size(); ++p) {
        for (const PlacedBand& placed : m_pages.at(p).bands)
            m_pageOfBand[placed.band] = int(p);
    }
}

ReportDocument::~ReportDocument() = default;

int ReportDocument::pageOfBand(qsizetype band) const
{
    return band >= 0 && band < m_pageOfBand.size() ? m_pageOfBand.at(band) : -1;
}

namespace {

// Where growing texts end: controls starting at or below it move down with
// the band's growth.
int growthLine(const ReportSection& section)
{
    int line = std::numeric_limits<int>::max();
    for (const ReportControl& c : section.controls) {
        if (c.canGrow && c.visible)
            line = std::min(line, c.rect.top() + c.rect.height());
    }
    return line;
}

void addItems(const ReportSection& section, const Band& band, const PlacedBand& placed,
              QPointF origin, QList<DrawItem>& items)
{
    const int below = growthLine(section);
    for (qsizetype i = 0; i < section.controls.size(); ++i) {
        const ReportControl& c = section.controls.at(i);
        if (!c.visible || c.kind == ControlKind::PageBreak)
            continue;
        DrawItem item;
        item.control = &c;
        if (c.kind == ControlKind::Line) {
            const double shift = std::min(c.line.y1(), c.line.y2()) >= below ? placed.growth : 0;
            item.kind = DrawItem::Kind::Line;
            item.line = QLineF(c.line).translated(origin + QPointF(0, shift));
            items.append(item);
            continue;
        }
        QRectF rect = QRectF(c.rect).translated(origin);
        if (c.rect.top() >= below)
            rect.translate(0, placed.growth);
        else if (c.canGrow)
            rect.setHeight(rect.height() + placed.growth);
        item.rect = rect;
        switch (c.kind) {
        case ControlKind::Box:
            item.kind = DrawItem::Kind::Box;
            break;
        case ControlKind::Chart:
            item.kind = DrawItem::Kind::Chart;
            break;
        default:
            item.kind = DrawItem::Kind::Text;
            item.text = band.texts.at(i);
            if (item.text.isEmpty() && !c.background.isValid() && !c.border)
                continue;
        }
        items.append(item);
    }
}

} // namespace

QList<DrawItem> ReportDocument::pageItems(int page) const
{
    QList<DrawItem> items;
    if (page < 0 || page >= m_pages.size())
        return items;
    const int left = m_definition.contentRect().left();
    for (const PlacedBand& placed : m_pages.at(page).bands) {
        const Band& band = m_bands.at(placed.band);
        addItems(m_definition.sections.at(band.section), band, placed, QPointF(left, placed.top),
                 items);
    }
    return items;
}

QStringList ReportDocument::texts(const QString& section, const QString& control) const
{
    QStringList list;
    for (const Band& band : m_bands) {
        const ReportSection& s = m_definition.sections.at(band.section);
        if (s.name != section)
            continue;
        const int i = s.indexOf(control);
        if (i >= 0)
            list.append(band.texts.at(i));
    }
    return list;
}

QList<FindMatch> ReportDocument::find(const QString& text) const
{
    QList<FindMatch> matches;
    if (text.isEmpty())
        return matches;
    for (int page = 0; page < pageCount(); ++page) {
        for (const DrawItem& item : pageItems(page)) {
            if (item.kind == DrawItem::Kind::Text && item.text.contains(text, Qt::CaseInsensitive))
                matches.append(FindMatch{page, item.rect});
        }
    }
    return matches;
}

ChartRenderer& ReportDocument::chartRenderer() const
{
    if (!m_renderer)
        m_renderer = std::make_unique<ChartRenderer>(m_chart);
    return *m_renderer;
}
