#pragma once

#include "reports/BandEngine.h"

#include <QFont>
#include <QList>
#include <QString>

// A band placed on a page.
struct PlacedBand
{
    qsizetype band = -1; // index into the report's bands
    int top = 0;         // twips from the sheet's top edge
    int growth = 0;      // twips added to the section's height by growing texts
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

// How much taller than the section a band must be so that its growing texts
// show whole; 0 for most bands.
int growthOf(const ReportSection& section, const Band& band);

// Places the bands on pages from top to bottom of the content area: a band
// that does not fit starts a new page, a band with its page break on starts a
// new page unless the page is still empty, and a band kept with the next one
// moves down with it.
QList<ReportPage> paginate(const ReportDefinition& definition, const QList<Band>& bands);

} // namespace ReportLayout
