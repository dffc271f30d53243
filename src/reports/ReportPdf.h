#pragma once

#include "core/Status.h"
#include "reports/PdfCanvas.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <memory>

class ReportDocument;
class TaskProgress;

// A report's pages as a PDF file: text as text (searchable and copied as
// such), in the report's own fonts, embedded.
class ReportPdf
{
    Q_DECLARE_TR_FUNCTIONS(ReportPdf)

public:
    // zlib's level, chosen by measurement (bench_waits prints each): level
    // 2 writes within a few percent of the fastest; the default level 6
    // makes the file a sixth smaller in 80% more time.
    static constexpr int kCompression = 2;

    // The chart's drawing, made where Qt Charts may paint (the UI thread)
    // before the pages are written anywhere else.
    struct Chart
    {
        int page = -1;
        QByteArray operators;
        std::shared_ptr<PdfFontSet> fonts;
    };
    static Chart drawChart(const ReportDocument& document);

    // Writes every page of a complete document under a temporary name beside
    // the chosen one, which it takes only once complete: a failure, or a stop
    // asked for through progress, leaves no file behind. Pages written count
    // in progress.
    static Status write(const ReportDocument& document, const Chart& chart, const QString& fileName,
                        TaskProgress* progress = nullptr, int compression = kCompression);
};
