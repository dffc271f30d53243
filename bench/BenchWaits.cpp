#include "BenchWaits.h"

#include "BenchSupport.h"

#include "book/Balances.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "reports/ReportPdf.h"
#include "reports/ReportPeriod.h"
#include "reports/ReportPreview.h"
#include "reports/dtrLivroCaixa.h"
#include "reports/frmRel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Waits {

namespace {

const QDate kFirstDay(2023, 1, 1);
const QDate kLastDay(2025, 12, 31);
constexpr qint64 kEntries = 1000000;

// The report window over the benchmark book, as the program opens it.
struct ReportWindow
{
    explicit ReportWindow(const QString& dir) : session(db, dialogs, clock, dir)
    {
        if (!db.open(bookPath(dir)))
            qFatal("cannot open the book");
        LoadSettings(db, session.Settings);
        window = std::make_unique<frmRel>(session);
        window->show();
        waitWhileWorking();
    }
    template <typename T> T* get(const char* name)
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void waitWhileWorking()
    {
        while (window->isWorking())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    DbConnection db;
    Bench::SilentDialogs dialogs;
    SystemClock clock;
    Session session;
    std::unique_ptr<frmRel> window;
};

// The longest time the window's thread went without serving its timer.
class GapWatch : public QObject
{
public:
    GapWatch()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_since.start();
        m_timer.start();
    }
    qint64 longestMs() const { return std::max(m_longest, m_since.elapsed()); }
    // The longest since the last call, and starting afresh.
    qint64 takeLongestMs()
    {
        const qint64 longest = longestMs();
        m_longest = 0;
        return longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// The moment the preview first paints a page of a new report.
class FirstPaint : public QObject
{
public:
    FirstPaint(ReportPreview* preview, const Bench::Stopwatch& clock)
        : m_preview(preview), m_clock(clock), m_before(preview->document().get())
    {
        preview->findChild<QWidget*>(QStringLiteral("pageView"))->installEventFilter(this);
    }
    double seconds() const { return m_seconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_seconds < 0 && event->type() == QEvent::Paint && m_preview->pageCount() > 0 &&
            m_preview->document().get() != m_before) {
            const bool painted = QObject::eventFilter(watched, event);
            m_seconds = m_clock.seconds();
            return painted;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    ReportPreview* m_preview;
    const Bench::Stopwatch& m_clock;
    const void* m_before;
    double m_seconds = -1;
};

// The floor: SQLite's own interface stepping through the report's rows,
// every column read, nothing kept.
double sqliteRead(const QString& path, const QDate& first, const QDate& last)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "select c.*, a.descricao as nomeconta from caixa c left join contas a on "
                       "a.id = c.idconta where c.data >= ? and c.data <= ? "
                       "order by c.data, c.hora, c.id",
                       -1, &stmt, nullptr);
    const QByteArray a = Formats::dbDate(first).toUtf8();
    const QByteArray b = Formats::dbDate(last).toUtf8();
    sqlite3_bind_text(stmt, 1, a.constData(), int(a.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, b.constData(), int(b.size()), SQLITE_STATIC);
    const Bench::Stopwatch watch;
    qint64 sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            sum += sqlite3_column_type(stmt, c) == SQLITE_TEXT ? sqlite3_column_bytes(stmt, c)
                                                               : sqlite3_column_int64(stmt, c);
    }
    const double seconds = watch.seconds();
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return sum == 42 ? seconds + 0 : seconds; // keeps the reads from being optimised away
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void previewOf(ReportWindow& r, const QDate& first, const QDate& last)
{
    r.get<QLineEdit>("txtDe")->setText(Formats::date(first));
    r.get<QLineEdit>("txtAte")->setText(Formats::date(last));
    r.get<QPushButton>("btnVisualizar")->click();
}

// A report as the user makes it: preview, then the PDF.
int measureReport(const QString& dir, const QDate& first, const QDate& last)
{
    ReportWindow r(dir);
    const double floor = sqliteRead(bookPath(dir), first, last);
    const QString pdf = QDir(dir).filePath(QStringLiteral("relatorio.pdf"));
    QFile::remove(pdf);
    resetPeak();
    const qint64 baseline = Bench::residentBytes();
    GapWatch gaps;
    const Bench::Stopwatch clock;
    ReportPreview* preview = r.get<ReportPreview>("VRel");
    FirstPaint firstPaint(preview, clock);
    previewOf(r, first, last);
    r.waitWhileWorking();
    const double laidOut = clock.seconds();
    const qint64 previewPeak = Bench::peakResidentBytes();
    const qint64 previewGap = gaps.takeLongestMs();
    r.dialogs.fileName = pdf;
    r.get<QPushButton>("btnPDF")->click();
    r.waitWhileWorking();
    const double total = clock.seconds();
    const qint64 exportGap = gaps.takeLongestMs();
    const qint64 gap = std::max(previewGap, exportGap);
    const qint64 entries = r.window->content()->rows->rowCount();
    std::printf("entries=%lld floor=%.3f firstpage=%.3f preview=%.3f pdf=%.3f total=%.3f "
                "pages=%d mb=%.1f peakmb=%.0f previewpeakmb=%.0f basemb=%.0f gapms=%lld "
                "previewgapms=%lld exportgapms=%lld\n",
                entries, floor, firstPaint.seconds(), laidOut, total - laidOut, total,
                preview->pageCount(), double(QFileInfo(pdf).size()) / 1e6,
                double(Bench::peakResidentBytes()) / 1e6, double(previewPeak) / 1e6,
                double(baseline) / 1e6, gap, previewGap, exportGap);
    return QFileInfo::exists(pdf) ? 0 : 1;
}

QStringList leftovers(const QString& dir, const QString& stem)
{
    return QDir(dir).entryList({stem + u'*'}, QDir::Files | QDir::Hidden);
}

// The PDF of the 110-day report at each compression level: the time to
// write it and its size, from which the level the program uses was chosen.
int measurePdfLevels(const QString& dir)
{
    DbConnection db;
    if (!db.open(bookPath(dir)))
        return 1;
    const QDate first(2025, 3, 1);
    const QDate last(2025, 6, 18);
    const ReportContext context{Balances::openingBalance(db, first, 0).valueOr(Money()),
                                ReportPeriod::text(first, last), false};
    const auto built =
        CashBookReport::build(db, {first, last, 0}, context, QStringLiteral("Todas"));
    if (!built)
        return 1;
    const QString pdf = QDir(dir).filePath(QStringLiteral("niveis.pdf"));
    const ReportPdf::Chart chart = ReportPdf::drawChart(*built->document);
    std::printf("\nThe 110-day report's PDF (%d pages) at each compression level:\n",
                built->document->pageCount());
    for (const int level : {1, 2, 3, 6, 9}) {
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            const Bench::Stopwatch watch;
            if (!ReportPdf::write(*built->document, chart, pdf, nullptr, level))
                return 1;
            times.push_back(watch.seconds());
        }
        std::sort(times.begin(), times.end());
        std::printf("  level %d: %.3f s, %.1f MB%s\n", level, times[1],
                    double(QFileInfo(pdf).size()) / 1e6,
                    level == ReportPdf::kCompression ? "  (the program's)" : "");
    }
    QFile::remove(pdf);
    return 0;
}

// Cancelar pressed while a one-year report is laid out, and while its PDF
// is written: how long until the work has stopped, and what it left.
int measureCancel(const QString& dir)
{
    ReportWindow r(dir);
    const QString pdf = QDir(dir).filePath(QStringLiteral("cancelado.pdf"));
    const auto waitFor = [&](int ms) {
        const Bench::Stopwatch wait;
        while (wait.seconds() * 1000 < ms)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    };
    previewOf(r, QDate(2025, 1, 1), kLastDay);
    waitFor(400);
    if (!r.window->isWorking())
        qFatal("the preview ended before it could be cancelled");
    Bench::Stopwatch layoutStop;
    r.get<QPushButton>("btnCancelarExportacao")->click();
    r.waitWhileWorking();
    const double preview = layoutStop.seconds();

    previewOf(r, QDate(2025, 1, 1), kLastDay);
    r.waitWhileWorking();
    r.dialogs.fileName = pdf;
    r.get<QPushButton>("btnPDF")->click();
    waitFor(1000);
    if (!r.window->isWorking())
        qFatal("the export ended before it could be cancelled");
    const Bench::Stopwatch exportStop;
    r.get<QPushButton>("btnCancelarExportacao")->click();
    r.waitWhileWorking();
    const double exporting = exportStop.seconds();
    std::printf("preview=%.3f export=%.3f leftovers=%lld\n", preview, exporting,
                qlonglong(leftovers(dir, QStringLiteral("cancelado")).size()));
    return 0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// The median of one figure over the runs of one measurement.
double figure(const QList<QStringList>& runs, const QString& name)
{
    QList<double> values;
    for (const QStringList& words : runs) {
        for (const QString& word : words) {
            if (word.startsWith(name + u'='))
                values.append(word.mid(name.size() + 1).toDouble());
        }
    }
    return median(values);
}

void row(const char* what, double now, double floor, const char* unit, double target,
         const char* targetText)
{
    std::printf("%-52s %9.3f %-3s | floor %8.3f | ratio %6.2f | target %-18s %s\n", what, now, unit,
                floor, floor > 0 ? now / floor : 0.0, targetText, now <= target ? "met" : "MISSED");
}

} // namespace

QString bookPath(const QString& dir)
{
    return QDir(dir).filePath(QStringLiteral("bd.mdb"));
}

void ensureBook(const QString& path)
{
    Bench::ensureBook(path, kEntries, kFirstDay, kLastDay, 20);
}

QStringList measures()
{
    return {QStringLiteral("pdf110"), QStringLiteral("pdf365"), QStringLiteral("cancel"),
            QStringLiteral("backup"), QStringLiteral("save")};
}

int measure(const QString& dir, const QString& name)
{
    if (name == u"pdf110")
        return measureReport(dir, QDate(2025, 3, 1), QDate(2025, 6, 18));
    if (name == u"pdf365")
        return measureReport(dir, QDate(2025, 1, 1), kLastDay);
    if (name == u"cancel")
        return measureCancel(dir);
    if (name == u"backup")
        return measureBackup(dir);
    if (name == u"save")
        return measureSave(dir);
    if (name == u"checks")
        return measureChecks(dir);
    if (name == u"pdflevels")
        return measurePdfLevels(dir);
    qFatal("no measurement %s", qPrintable(name));
}

void report(const QString& dir, const QMap<QString, QList<QStringList>>& results)
{
    const auto& pdf110 = results[QStringLiteral("pdf110")];
    const auto& pdf365 = results[QStringLiteral("pdf365")];
    const auto& cancel = results[QStringLiteral("cancel")];
    const auto& backup = results[QStringLiteral("backup")];
    const auto& save = results[QStringLiteral("save")];
    const auto f = [](const QList<QStringList>& runs, const char* name) {
        return figure(runs, QString::fromLatin1(name));
    };
    std::printf("\nbook %s; medians of %lld runs\n", qPrintable(bookPath(dir)),
                qlonglong(pdf110.size()));
    std::printf("%-52s %13s | %14s | %12s | %-18s\n", "what the user does", "now", "floor", "ratio",
                "target");
    row(qPrintable(QStringLiteral("PDF of a 110-day report (%1 entries, %2 pages)")
                       .arg(f(pdf110, "entries"))
                       .arg(f(pdf110, "pages"))),
        f(pdf110, "total"), f(pdf110, "floor"), "s", 2.5, "<= 2.5 s");
    std::printf("    preview %.3f s (first page %.3f s), PDF %.3f s, %.1f MB; longest wait of the "
                "window %.0f ms\n",
                f(pdf110, "preview"), f(pdf110, "firstpage"), f(pdf110, "pdf"), f(pdf110, "mb"),
                f(pdf110, "gapms"));
    row(qPrintable(QStringLiteral("PDF of a one-year report (%1 entries, %2 pages)")
                       .arg(f(pdf365, "entries"))
                       .arg(f(pdf365, "pages"))),
        f(pdf365, "total"), f(pdf365, "floor"), "s", 8, "<= 8 s");
    row("    its peak memory", f(pdf365, "peakmb"), f(pdf365, "basemb"), "MB", 150, "<= 150 MB");
    row("    longest wait of the window during it", f(pdf365, "gapms"), 0, "ms", 100, "<= 100 ms");
    std::printf("    preview %.3f s, PDF %.3f s, %.1f MB\n", f(pdf365, "preview"), f(pdf365, "pdf"),
                f(pdf365, "mb"));
    row("Preview of the one-year report: first page on screen", f(pdf365, "firstpage"), 0, "s", 0.5,
        "<= 0.5 s");
    row("Cancelar while the one-year report is laid out", f(cancel, "preview"), 0, "s", 0.2,
        "<= 0.2 s");
    row("Cancelar while its PDF is written", f(cancel, "export"), 0, "s", 0.2, "<= 0.2 s");
    std::printf("    files left behind by the cancelled exports: %.0f\n", f(cancel, "leftovers"));
    row(qPrintable(QStringLiteral("Backup at exit (%1 MB)").arg(f(backup, "mb"))),
        f(backup, "backup"), f(backup, "floor"), "s", 3 * f(backup, "floor"), "<= 3 x floor");
    row("Save one entry, two-day period on screen", f(save, "save"), f(save, "floor"), "s", 0.04,
        "<= 0.04 s");
    row("Delete one entry, two-day period on screen", f(save, "delete"), f(save, "floor"), "s",
        0.04, "<= 0.04 s");
    std::printf("    Fechar_Inicio with a million entries before the period: %.2f ms\n",
                f(save, "openingms"));
    std::fflush(stdout);
}

} // namespace Waits
