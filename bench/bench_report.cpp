// How long the cash-book report of a 110-day period takes to lay out and to
// become a PDF, how many pages it has and what it costs in memory, over
// books of 10,000 and 100,000 entries spread over three years.
//
//   bench_report [--dir DIR]
//
// The books are built once and kept in DIR (default:
// /tmp/livro-caixa-bench/report-10000/bd.mdb and report-100000/bd.mdb).
// Each measurement runs in a process of its own, so memory figures are clean.

#include "BenchSupport.h"

#include "book/Balances.h"
#include "core/DbConnection.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/ReportPeriod.h"
#include "reports/XlsxExport.h"
#include "reports/dtrLivroCaixa.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

const QDate kFirstDay(2023, 1, 1);
const QDate kLastDay(2025, 12, 31);
const QDate kPeriodStart(2025, 3, 1);
const QDate kPeriodEnd(2025, 6, 18); // 110 days
constexpr int kAccounts = 20;

// The peak resident memory counts from here on.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

int measure(const QString& path, bool newPagePerDay)
{
    DbConnection db;
    if (!db.open(path))
        return 1;
    const QString pdf = QFileInfo(path).absoluteDir().filePath(QStringLiteral("relatorio.pdf"));
    const QString xlsx = QFileInfo(path).absoluteDir().filePath(QStringLiteral("relatorio.xlsx"));
    // Warm the file cache, the fonts, the chart and the PDF code with a
    // report of one day, as a second report in a session would find them;
    // what that first report cost is printed too.
    const qint64 cold = Bench::residentBytes();
    const auto warm =
        CashBookReport::build(db, {kPeriodStart, kPeriodStart, 0}, {}, QStringLiteral("Todas"));
    if (!warm || !ReportOutput::writePdf(*warm->document, pdf))
        qFatal("the warm-up report failed");
    const qint64 warmed = Bench::residentBytes();

    const qint64 baseline = Bench::residentBytes();
    resetPeak();
    const Bench::Stopwatch layoutWatch;
    const auto opening = Balances::openingBalance(db, kPeriodStart, 0);
    ReportContext context;
    context.OpeningBalance = opening.valueOr(Money());
    context.ReportPeriodText = ReportPeriod::text(kPeriodStart, kPeriodEnd);
    context.NewPagePerDay = newPagePerDay;
    const auto built =
        CashBookReport::build(db, {kPeriodStart, kPeriodEnd, 0}, context, QStringLiteral("Todas"));
    const double layout = layoutWatch.seconds();
    if (!built)
        qFatal("the report failed: %s", qPrintable(built.reason()));
    const qint64 afterLayout = Bench::peakResidentBytes();

    const Bench::Stopwatch pdfWatch;
    const Status written = ReportOutput::writePdf(*built->document, pdf);
    const double pdfSeconds = pdfWatch.seconds();
    if (!written)
        qFatal("the PDF failed: %s", qPrintable(written.reason()));
    const qint64 afterPdf = Bench::peakResidentBytes();

    const Bench::Stopwatch xlsxWatch;
    if (!XlsxExport::write(*built->content, xlsx))
        qFatal("the workbook failed");
    const double xlsxSeconds = xlsxWatch.seconds();

    const qint64 entries = built->content->rows->rowCount();
    std::printf(
        "%-14s %6lld entries | layout %.3f s | PDF %.3f s (total %.3f s, %.1f MB) | %4d pages"
        " | peak memory +%.0f bytes/entry after layout, +%.0f after the PDF | XLSX %.3f s"
        " | first report's fixed cost %.1f MB\n",
        newPagePerDay ? "page per day" : "continuous", entries, layout, pdfSeconds,
        layout + pdfSeconds, double(QFileInfo(pdf).size()) / 1e6, built->document->pageCount(),
        double(afterLayout - baseline) / double(entries),
        double(afterPdf - baseline) / double(entries), xlsxSeconds, double(warmed - cold) / 1e6);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QString dir = QDir::temp().filePath(QStringLiteral("livro-caixa-bench"));
    if (const qsizetype i = args.indexOf(QStringLiteral("--dir")); i >= 0 && i + 1 < args.size())
        dir = args.at(i + 1);
    if (const qsizetype i = args.indexOf(QStringLiteral("--measure"));
        i >= 0 && i + 1 < args.size())
        return measure(args.at(i + 1), args.contains(QStringLiteral("--page-per-day")));

    for (const qint64 entries : {qint64(10000), qint64(100000)}) {
        const QString path = QDir(dir).filePath(QStringLiteral("report-%1/bd.mdb").arg(entries));
        QDir().mkpath(QFileInfo(path).absolutePath());
        Bench::ensureBook(path, entries, kFirstDay, kLastDay, kAccounts);
        std::printf("book of %lld entries over three years, report of %s:\n", entries,
                    qPrintable(ReportPeriod::text(kPeriodStart, kPeriodEnd)));
        std::fflush(stdout);
        for (const bool pagePerDay : {false, true}) {
            QStringList measureArgs{QStringLiteral("--measure"), path};
            if (pagePerDay)
                measureArgs.append(QStringLiteral("--page-per-day"));
            QProcess::execute(QApplication::applicationFilePath(), measureArgs);
        }
    }
    return 0;
}
