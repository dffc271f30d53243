#pragma once

#include "reports/BandEngine.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

// A band placed on a page.
struct PlacedBand
{
    qint32 band = -1;  // index into the report's bands
    qint32 top = 0;    // twips from the sheet's top edge
    qint32 growth = 0; // twips added to the section's height by growing texts
};

struct ReportPage
{
    QList<PlacedBand> bands;
};

namespace ReportLayout {

// The inner space between a text and the sides of its box, in twips.
inline constexpr int kTextPadding = 30;

// A control's font sized in twips (1 twip to the pixel), so that texts are
// measured the same on every device and scale with the painter.
QFont fontOf(const ReportControl& control);

// How much taller than its section a band must be so that its growing texts
// show whole; 0 for most bands. Texts already measured are remembered, so a
// long report measures each description once.
class Growth
{
public:
    explicit Growth(const ReportDefinition& definition);
    // texts: each control's text, for the controls that can grow.
    int of(int section, const std::function<QString(int control)>& textOf);

private:
    struct Control
    {
        int index;
        QFontMetricsF metrics;
        double width;
        int height;
        qsizetype surelyFits; // a text this short fits whatever its letters
        QHash<QString, int> known;
    };
    QList<QList<Control>> m_sections;
};

// Places bands on pages from top to bottom of the content area, one at a
// time as a layout produces them: a band that does not fit starts a new
// page, a band with its page break on starts a new page unless the page is
// still empty, and a band kept with the next one moves down with it.
class Paginator
{
public:
    explicit Paginator(const ReportDefinition& definition);

    // A band and its height on the page; where it (or the band waiting for
    // it) went is written into pages and pageOfBand.
    void add(qsizetype band, int height, int growth, bool pageBreak, bool keepWithNext,
             QList<ReportPage>& pages, QList<int>& pageOfBand);
    // The last band: nothing follows the one waiting, if any.
    void finish(QList<ReportPage>& pages, QList<int>& pageOfBand);

private:
    struct Waiting
    {
        qsizetype band = -1;
        int height = 0;
        int growth = 0;
        bool pageBreak = false;
    };
    void place(const Waiting& band, int needed, QList<ReportPage>& pages, QList<int>& pageOfBand);

    int m_top = 0;
    int m_bottom = 0;
    int m_y = 0;
    Waiting m_waiting; // a band kept with the next one, until that one comes
};

} // namespace ReportLayout
