#pragma once

#include <QList>
#include <QRectF>

class QPainter;
class ReportDocument;

namespace ReportPainter {

// Found texts to mark on the page, in the page's twips; `current` is the
// index of the one the user stepped to, or -1.
struct Marks
{
    QList<QRectF> rects;
    int current = -1;
};

// Draws one page of the document scaled onto target, a rectangle of the
// painter's device standing for the whole sheet.
void paintPage(QPainter& painter, const ReportDocument& document, int page, const QRectF& target,
               const Marks& marks = {});

} // namespace ReportPainter
