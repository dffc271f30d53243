#include "reports/ReportOutput.h"

#include "reports/ReportDocument.h"
#include "reports/ReportPainter.h"
#include "reports/ReportPdf.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>

namespace ReportOutput {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ReportOutput", text);
}

constexpr double kTwipsPerPoint = 20;

QPageLayout sheetLayout(const ReportDocument& document)
{
    const QSize paper = document.definition().paper;
    const QSizeF points =
        QSizeF(std::min(paper.width(), paper.height()), std::max(paper.width(), paper.height())) /
        kTwipsPerPoint;
    const auto orientation =
        paper.width() > paper.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::FuzzyMatch),
                       orientation, QMarginsF(0, 0, 0, 0));
}

// Paints pages first..last (from 0) one per sheet.
bool paintPages(QPagedPaintDevice& device, QPainter& painter, const ReportDocument& document,
                int first, int last, const QRectF& sheet)
{
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage())
            return false;
        ReportPainter::paintPage(painter, document, page, sheet);
    }
    return true;
}

} // namespace

Status writePdf(const ReportDocument& document, const QString& fileName)
{
    return ReportPdf::write(document, ReportPdf::drawChart(document), fileName);
}

void preparePrinter(const ReportDocument& document, QPrinter& printer)
{
    printer.setFullPage(true);
    printer.setPageLayout(sheetLayout(document));
    printer.setDocName(document.definition().title);
    printer.setCreator(tr("Livro de Caixa"));
}

Status print(const ReportDocument& document, QPrinter& printer)
{
    int first = 0;
    int last = document.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage() - 1);
        last = std::min(last, printer.toPage() > 0 ? printer.toPage() - 1 : last);
    }
    if (first > last)
        return Status::success();
    QPainter painter;
    if (!painter.begin(&printer))
        return Status::failure(tr("A impressora não pôde ser usada."));
    const QRectF sheet(QPointF(0, 0), printer.paperRect(QPrinter::DevicePixel).size());
    // Copies the printer cannot make itself are printed one after another.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    bool printed = true;
    for (int copy = 0; copy < copies && printed; ++copy) {
        if (copy > 0)
            printed = printer.newPage();
        printed = printed && paintPages(printer, painter, document, first, last, sheet);
    }
    printed = painter.end() && printed;
    if (!printed || printer.printerState() == QPrinter::Error)
        return Status::failure(tr("A impressão não foi concluída."));
    return Status::success();
}

QImage pageImage(const ReportDocument& document, int page, int dotsPerInch)
{
    const QSizeF paper = document.definition().paper;
    const QSize size = (paper * dotsPerInch / 1440.0).toSize();
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    ReportPainter::paintPage(painter, document, page, QRectF(QPointF(0, 0), size));
    painter.end();
    return image;
}

} // namespace ReportOutput
