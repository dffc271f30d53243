// Every place the user of a million-entry book waits, each against the floor
// it cannot go below, measured in one run:
//
//   bench_waits [--dir DIR] [--runs N]
//
// - the PDF of a 110-day report (about 100,000 entries) and of a one-year
//   report (about 333,000), made as the report window makes them (preview,
//   then export), against SQLite's own reading of the report's rows, with
//   the peak memory and the longest the window's thread went without
//   attending to its events;
// - the first page of the one-year preview on screen;
// - Cancelar during a one-year export: how soon it stops, and that no file
//   is left;
// - the backup at exit against a plain copy and disk sync of the book, and
//   what each way of checking a copy catches;
// - saving and deleting one entry with the default two-day period on
//   screen, against the durable write alone.
//
// The book (1,000,000 entries over three years, 20 accounts) is built once
// and kept in DIR (default /tmp/livro-caixa-bench/waits). Each measurement
// runs in a process of its own, N times (default 5); medians are printed.

#include "BenchSupport.h"
#include "BenchWaits.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

// Runs one measurement in a new process; its last line holds the figures.
QStringList runMeasure(const QString& dir, const QString& name)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QApplication::applicationFilePath(),
                {QStringLiteral("--dir"), dir, QStringLiteral("--measure"), name});
    child.waitForFinished(-1);
    const QStringList lines =
        QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    if (child.exitCode() != 0 || lines.isEmpty())
        qFatal("the measurement %s failed", qPrintable(name));
    return lines.constLast().split(u' ', Qt::SkipEmptyParts);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QString dir = QDir::temp().filePath(QStringLiteral("livro-caixa-bench/waits"));
    int runs = 5;
    if (const qsizetype i = args.indexOf(QStringLiteral("--dir")); i >= 0 && i + 1 < args.size())
        dir = args.at(i + 1);
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i >= 0 && i + 1 < args.size())
        runs = std::max(1, args.at(i + 1).toInt());
    if (const qsizetype i = args.indexOf(QStringLiteral("--measure"));
        i >= 0 && i + 1 < args.size())
        return Waits::measure(dir, args.at(i + 1));

    QDir().mkpath(dir);
    const QString book = Waits::bookPath(dir);
    const Bench::Stopwatch building;
    Waits::ensureBook(book);
    std::printf("book: %s, %.0f MB (ready in %.0f s)\n", qPrintable(book),
                double(QFileInfo(book).size()) / 1e6, building.seconds());
    std::fflush(stdout);

    QMap<QString, QList<QStringList>> results;
    for (int run = 0; run < runs; ++run) {
        for (const QString& name : Waits::measures())
            results[name].append(runMeasure(dir, name));
    }
    Waits::report(dir, results);
    // Once each: what each check of a backup copy catches, and what each
    // compression level gives.
    for (const char* once : {"checks", "pdflevels"})
        QProcess::execute(
            QApplication::applicationFilePath(),
            {QStringLiteral("--dir"), dir, QStringLiteral("--measure"), QString::fromLatin1(once)});
    return 0;
}
