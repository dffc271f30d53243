#include "reports/ReportLayout.h"

#include <algorithm>
#include <cmath>

namespace ReportLayout {

namespace {
// Texts measured and remembered per control; past this many, the memory is
// started afresh (document numbers, for instance, rarely repeat).
constexpr qsizetype kRemembered = 20000;
} // namespace

QFont fontOf(const ReportControl& control)
{
    QFont font(control.font.family);
    // 20 twips to the point.
    font.setPixelSize(std::max(1, qRound(control.font.pointSize * 20)));
    font.setBold(control.font.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

Growth::Growth(const ReportDefinition& definition)
{
    for (const ReportSection& section : definition.sections) {
        QList<Control> growing;
        for (qsizetype i = 0; i < section.controls.size(); ++i) {
            const ReportControl& c = section.controls.at(i);
            if (!c.canGrow || !c.visible)
                continue;
            const QFontMetricsF metrics(fontOf(c));
            const double width = c.rect.width() - 2 * kTextPadding;
            growing.append({int(i),
                            metrics,
                            width,
                            c.rect.height(),
                            qsizetype(width / std::max(1.0, metrics.maxWidth())),
                            {}});
        }
        m_sections.append(growing);
    }
}

int Growth::of(int section, const std::function<QString(int control)>& textOf)
{
    int growth = 0;
    for (Control& g : m_sections[section]) {
        const QString text = textOf(g.index);
        if (text.size() <= g.surelyFits && !text.contains(u'\n'))
            continue;
        auto known = g.known.constFind(text);
        if (known == g.known.constEnd()) {
            int grows = 0;
            // Most texts fit on their line; only the others are wrapped.
            if (text.contains(u'\n') || g.metrics.horizontalAdvance(text) > g.width) {
                const QRectF needed =
                    g.metrics.boundingRect(QRectF(0, 0, g.width, 1e9), Qt::TextWordWrap, text);
                grows = int(std::ceil(needed.height())) - g.height;
            }
            if (g.known.size() >= kRemembered)
                g.known.clear();
            known = g.known.insert(text, grows);
        }
        growth = std::max(growth, *known);
    }
    return growth;
}

Paginator::Paginator(const ReportDefinition& definition)
{
    const QRect content = definition.contentRect();
    m_top = content.top();
    m_bottom = content.top() + content.height();
    m_y = m_top;
}

void Paginator::place(const Waiting& band, int needed, QList<ReportPage>& pages,
                      QList<int>& pageOfBand)
{
    if (pages.isEmpty())
        pages.append(ReportPage());
    const bool pageUsed = !pages.last().bands.isEmpty();
    if (pageUsed && (band.pageBreak || m_y + needed > m_bottom)) {
        pages.append(ReportPage());
        m_y = m_top;
    }
    pages.last().bands.append(PlacedBand{qint32(band.band), m_y, band.growth});
    if (pageOfBand.size() <= band.band)
        pageOfBand.resize(band.band + 1);
    pageOfBand[band.band] = int(pages.size() - 1);
    m_y += band.height;
}

void Paginator::add(qsizetype band, int height, int growth, bool pageBreak, bool keepWithNext,
                    QList<ReportPage>& pages, QList<int>& pageOfBand)
{
    if (m_waiting.band >= 0) {
        place(m_waiting, m_waiting.height + height, pages, pageOfBand);
        m_waiting = Waiting();
    }
    const Waiting now{band, height, growth, pageBreak};
    if (keepWithNext)
        m_waiting = now;
    else
        place(now, height, pages, pageOfBand);
}

void Paginator::finish(QList<ReportPage>& pages, QList<int>& pageOfBand)
{
    if (m_waiting.band >= 0)
        place(m_waiting, m_waiting.height, pages, pageOfBand);
    m_waiting = Waiting();
    if (pages.isEmpty())
        pages.append(ReportPage());
}

} // namespace ReportLayout
