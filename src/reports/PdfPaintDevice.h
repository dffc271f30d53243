#pragma once

#include "reports/PdfCanvas.h"

#include <QPaintDevice>

#include <memory>

class PdfPaintEngine;

// A paint device that draws onto a PDF canvas, for what only QPainter knows
// how to draw (the chart, which Qt Charts paints). It stands for the sheet
// at screen resolution (96 dots per inch, 15 twips a dot), so fonts given in
// points come out the size they have on screen; text stays text.
class PdfPaintDevice final : public QPaintDevice
{
public:
    PdfPaintDevice(PdfCanvas& canvas, QSizeF sheetTwips);
    ~PdfPaintDevice() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSizeF m_sheet;
    std::unique_ptr<PdfPaintEngine> m_engine;
};
