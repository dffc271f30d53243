#pragma once

#include "core/Status.h"

#include <QImage>
#include <QString>

class QPrinter;
class ReportDocument;

// The report's pages on paper, in a PDF file and as a picture.
namespace ReportOutput {

// Every page into a PDF with its fonts embedded and the report's title. The
// file is written under a temporary name beside the chosen one and only
// takes the chosen name once complete, so a failure never leaves a
// truncated file there.
Status writePdf(const ReportDocument& document, const QString& fileName);

// Sets a printer to the report's sheet (size, orientation, whole sheet).
void preparePrinter(const ReportDocument& document, QPrinter& printer);
// Prints the pages the printer's range asks for (all of them by default).
Status print(const ReportDocument& document, QPrinter& printer);

// One page as a picture of the given resolution, on white.
QImage pageImage(const ReportDocument& document, int page, int dotsPerInch);

} // namespace ReportOutput
