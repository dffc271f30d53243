// How long the main grid takes to fill for large periods, against the time
// SQLite alone needs to read the same rows, and what the rows cost in memory.
//
//   bench_fillgrid [--book PATH]
//
// The book (1,000,000 entries over three years, 20 accounts) is built once
// and kept at PATH (default: /tmp/livro-caixa-bench/bd.mdb).

#include "BenchSupport.h"

#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "core/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QDate kFirstDay(2023, 1, 1);
const QDate kLastDay(2025, 12, 31);
constexpr qint64 kEntries = 1000000;

using Bench::SilentDialogs;

// The floor: SQLite's own C interface stepping through the period's rows and
// reading every column, with nothing kept.
double sqliteFloor(const QString& path, const QDate& first, const QDate& last, qint64* rows)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select * from caixa where data >= ? and data <= ? order by data, hora, id",
                       -1, &stmt, nullptr);
    const QByteArray a = Formats::dbDate(first).toUtf8();
    const QByteArray b = Formats::dbDate(last).toUtf8();
    sqlite3_bind_text(stmt, 1, a.constData(), int(a.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, b.constData(), int(b.size()), SQLITE_STATIC);
    const Bench::Stopwatch watch;
    qint64 count = 0;
    qint64 checksum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                checksum +=
                    sqlite3_column_bytes(stmt, c) + (sqlite3_column_text(stmt, c) != nullptr);
            else
                checksum += sqlite3_column_int64(stmt, c);
        }
        ++count;
    }
    const double seconds = watch.seconds();
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    *rows = count;
    return checksum == 42 ? seconds + 0 : seconds; // keeps the reads from being optimised away
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The main window over the benchmark book, as the program opens it.
struct OpenBook
{
    explicit OpenBook(const QString& path)
        : session(db, dialogs, clock, QFileInfo(path).absolutePath())
    {
        if (!db.open(path))
            qFatal("cannot open %s", qPrintable(path));
        LoadSettings(db, session.Settings);
    }
    DbConnection db;
    SilentDialogs dialogs;
    SystemClock clock;
    Session session;
};

// One measurement in a process of its own, so that memory figures are clean.
int measure(const QString& path, int days)
{
    OpenBook book(path);
    frmPrincipal window(book.session);

    const QDate first = kLastDay.addDays(-days);
    qint64 rows = 0;
    std::vector<double> floors;
    for (int i = 0; i < 3; ++i)
        floors.push_back(sqliteFloor(path, first, kLastDay, &rows));

    const qint64 before = Bench::residentBytes();
    const Bench::Stopwatch watch;
    window.showPeriod(first, kLastDay); // runs FillGrid, which shows the balances
    const double fill = watch.seconds();
    const qint64 after = Bench::residentBytes();
    if (window.gridModel()->rowCount() != rows)
        qFatal("the grid holds %d rows, the period %lld", window.gridModel()->rowCount(), rows);

    std::printf(
        "period of %4d days: %8lld rows | SQLite floor %.3f s | FillGrid %.3f s | ratio %.2f"
        " | memory +%.0f bytes/row (grid storage %.0f) | peak RSS %.0f MB\n",
        days + 1, rows, median(floors), fill, fill / median(floors),
        double(after - before) / double(rows),
        double(window.gridModel()->rows().memoryUsed()) / double(rows),
        double(Bench::peakResidentBytes()) / 1e6);
    return 0;
}

int measureOpeningBalance(const QString& path)
{
    OpenBook book(path);
    frmPrincipal window(book.session);
    window.showPeriod(kLastDay.addDays(-1), kLastDay);
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        const Bench::Stopwatch watch;
        window.Fechar_Inicio();
        times.push_back(watch.seconds());
    }
    std::printf("Fechar_Inicio with %s before the period: median %.1f ms (min %.1f ms)\n",
                qPrintable(QLocale::c().toString(kEntries)), median(times) * 1000.0,
                *std::min_element(times.begin(), times.end()) * 1000.0);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    QString path = QDir::temp().filePath(QStringLiteral("livro-caixa-bench/bd.mdb"));
    if (const qsizetype i = args.indexOf(QStringLiteral("--book")); i >= 0 && i + 1 < args.size())
        path = args.at(i + 1);
    if (const qsizetype i = args.indexOf(QStringLiteral("--measure"));
        i >= 0 && i + 1 < args.size())
        return measure(path, args.at(i + 1).toInt());
    if (args.contains(QStringLiteral("--opening")))
        return measureOpeningBalance(path);

    QDir().mkpath(QFileInfo(path).absolutePath());
    Bench::ensureBook(path, kEntries, kFirstDay, kLastDay, 20);
    std::printf("book: %s (%.0f MB)\n", qPrintable(path), double(QFileInfo(path).size()) / 1e6);
    std::fflush(stdout);
    // About 100,000 entries, then all 1,000,000.
    for (const int days : {109, int(kFirstDay.daysTo(kLastDay))}) {
        QProcess::execute(
            QApplication::applicationFilePath(),
            {QStringLiteral("--book"), path, QStringLiteral("--measure"), QString::number(days)});
    }
    QProcess::execute(QApplication::applicationFilePath(),
                      {QStringLiteral("--book"), path, QStringLiteral("--opening")});
    return 0;
}
