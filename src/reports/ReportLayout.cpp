#include "reports/ReportLayout.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace ReportLayout {

QFont fontOf(const ReportControl& control)
{
    QFont font(control.font.family);
    // 20 twips to the point.
    font.setPixelSize(std::max(1, qRound(control.font.pointSize * 20)));
    font.setBold(control.font.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

namespace {

// Metrics per growing control, made once per section.
struct GrowingControl
{
    int index;
    QFontMetricsF metrics;
    double width;
};

QList<GrowingControl> growingControls(const ReportSection& section)
{
    QList<GrowingControl> list;
    for (qsizetype i = 0; i < section.controls.size(); ++i) {
        const ReportControl& c = section.controls.at(i);
        if (c.canGrow && c.visible)
            list.append(
                {int(i), QFontMetricsF(fontOf(c)), double(c.rect.width() - 2 * kTextPadding)});
    }
    return list;
}

int growthWith(const ReportSection& section, const QList<GrowingControl>& growing, const Band& band)
{
    int growth = 0;
    for (const GrowingControl& g : growing) {
        const QString& text = band.texts.at(g.index);
        if (text.isEmpty())
            continue;
        // Most texts fit on their line; only the others are wrapped.
        if (!text.contains(u'\n') && g.metrics.horizontalAdvance(text) <= g.width)
            continue;
        const QRectF needed =
            g.metrics.boundingRect(QRectF(0, 0, g.width, 1e9), Qt::TextWordWrap, text);
        growth = std::max(growth, int(std::ceil(needed.height())) -
                                      section.controls.at(g.index).rect.height());
    }
    return growth;
}

} // namespace

int growthOf(const ReportSection& section, const Band& band)
{
    return growthWith(section, growingControls(section), band);
}

QList<ReportPage> paginate(const ReportDefinition& definition, const QList<Band>& bands)
{
    QList<QList<GrowingControl>> growing;
    for (const ReportSection& section : definition.sections)
        growing.append(growingControls(section));
    QList<int> growths(bands.size());
    QList<int> heights(bands.size());
    for (qsizetype i = 0; i < bands.size(); ++i) {
        const ReportSection& section = definition.sections.at(bands.at(i).section);
        const auto& grows = growing.at(bands.at(i).section);
        growths[i] = grows.isEmpty() ? 0 : growthWith(section, grows, bands.at(i));
        heights[i] = section.height + growths.at(i);
    }

    const QRect content = definition.contentRect();
    const int bottom = content.top() + content.height();
    QList<ReportPage> pages(1);
    int y = content.top();
    for (qsizetype i = 0; i < bands.size(); ++i) {
        const ReportSection& section = definition.sections.at(bands.at(i).section);
        int needed = heights.at(i);
        if (section.keepWithNext && i + 1 < bands.size())
            needed += heights.at(i + 1);
        const bool pageUsed = !pages.last().bands.isEmpty();
        if (pageUsed && (bands.at(i).pageBreak || y + needed > bottom)) {
            pages.append(ReportPage());
            y = content.top();
        }
        pages.last().bands.append(PlacedBand{i, y, growths.at(i)});
        y += heights.at(i);
    }
    return pages;
}

} // namespace ReportLayout
