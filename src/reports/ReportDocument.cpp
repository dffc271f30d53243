#include "reports/ReportDocument.h"

#include <QMutexLocker>

#include <algorithm>
#include <limits>

ReportDocument::ReportDocument(ReportDefinition definition,
                               std::shared_ptr<const ReportDataSource> rows,
                               qsizetype expectedBands)
    : m_definition(std::move(definition)), m_rows(std::move(rows)),
      m_bindings(m_definition, *m_rows), m_growth(m_definition), m_paginator(m_definition)
{
    // Made whole at once: growing a list of a million bands would copy it
    // while the preview waits for the lock.
    m_bands.reserve(expectedBands);
    m_pageOfBand.reserve(expectedBands);
    m_setTexts.reserve(2 * expectedBands);
    m_textStore.reserve(24 * expectedBands);
}

ReportDocument::~ReportDocument() = default;

void ReportDocument::add(Band band, const BandTexts& texts)
{
    const ReportSection& section = m_definition.sections.at(band.section);
    // Measured outside the lock: the hook's texts are at hand, fields come
    // from the rows.
    const int growth = m_growth.of(band.section, [&](int control) {
        for (const auto& [index, text] : texts) {
            if (index == control)
                return text;
        }
        return m_bindings.text(m_definition, *m_rows, band, control, nullptr);
    });
    const QMutexLocker lock(&m_mutex);
    const qsizetype index = m_bands.size();
    band.firstText = qint32(m_setTexts.size());
    band.textCount = quint8(texts.size());
    for (const auto& [control, text] : texts) {
        const qsizetype length = std::min<qsizetype>(text.size(), 0xffff);
        m_setTexts.append({quint32(m_textStore.size()), quint16(length), quint8(control)});
        m_textStore.append(QStringView(text).left(length));
    }
    m_bands.append(band);
    m_paginator.add(index, section.height + growth, growth, band.pageBreak, section.keepWithNext,
                    m_pages, m_pageOfBand);
    // The last page may still take bands; those before it are complete.
    m_pagesDone = std::max(0, int(m_pages.size()) - 1);
}

void ReportDocument::finish(ChartData chart)
{
    const QMutexLocker lock(&m_mutex);
    m_paginator.finish(m_pages, m_pageOfBand);
    m_chart = std::move(chart);
    m_pagesDone = int(m_pages.size());
    m_complete.store(true, std::memory_order_release);
}

int ReportDocument::pageCount() const
{
    const QMutexLocker lock(&m_mutex);
    return m_pagesDone;
}

int ReportDocument::pageOfBand(qsizetype band) const
{
    const QMutexLocker lock(&m_mutex);
    return band >= 0 && band < m_pageOfBand.size() ? m_pageOfBand.at(band) : -1;
}

// Called with the lock held.
QString ReportDocument::textOf(const Band& band, int control) const
{
    for (qsizetype i = band.firstText; i < band.firstText + band.textCount; ++i) {
        const SetText& set = m_setTexts.at(i);
        if (set.control == control)
            return QString(m_textStore.constData() + set.offset, set.length);
    }
    return m_bindings.text(m_definition, *m_rows, band, control, nullptr);
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

} // namespace

QList<DrawItem> ReportDocument::pageItems(int page) const
{
    QList<DrawItem> items;
    const QMutexLocker lock(&m_mutex);
    if (page < 0 || page >= m_pagesDone)
        return items;
    const int left = m_definition.contentRect().left();
    for (const PlacedBand& placed : m_pages.at(page).bands) {
        const Band& band = m_bands.at(placed.band);
        const ReportSection& section = m_definition.sections.at(band.section);
        const int below = growthLine(section);
        const QPointF origin(left, placed.top);
        for (qsizetype i = 0; i < section.controls.size(); ++i) {
            const ReportControl& c = section.controls.at(i);
            if (!c.visible || c.kind == ControlKind::PageBreak)
                continue;
            DrawItem item;
            item.control = &c;
            if (c.kind == ControlKind::Line) {
                const double shift =
                    std::min(c.line.y1(), c.line.y2()) >= below ? placed.growth : 0;
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
            if (c.kind == ControlKind::Box) {
                item.kind = DrawItem::Kind::Box;
            } else if (c.kind == ControlKind::Chart) {
                item.kind = DrawItem::Kind::Chart;
            } else {
                item.kind = DrawItem::Kind::Text;
                item.text = textOf(band, int(i));
                if (item.text.isEmpty() && !c.background.isValid() && !c.border)
                    continue;
            }
            items.append(item);
        }
    }
    return items;
}

QStringList ReportDocument::texts(const QString& section, const QString& control) const
{
    QStringList list;
    const QMutexLocker lock(&m_mutex);
    for (const Band& band : m_bands) {
        const ReportSection& s = m_definition.sections.at(band.section);
        if (s.name != section)
            continue;
        const int i = s.indexOf(control);
        if (i >= 0)
            list.append(textOf(band, i));
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
