// The book on a PostgreSQL server over a local socket, beside the same book
// in a file: how long a save takes (as the entry form saves, with the
// account's balance and the day totals), and how long the main grid takes
// to fill for a period of 100,000 entries.
//
//   bench_server [--server URL]
//
// Without --server, a server of its own is started in
// /tmp/livro-caixa-bench/pg (scripts/pg-test-server.sh) and stopped at the
// end. The file book (100,000 entries over 110 days) is built once under
// /tmp/livro-caixa-bench/server/; the server gets a copy of it in a
// database of its own, dropped at the end.

#include "BenchServer.h"
#include "BenchSupport.h"

#include "book/BookTransfer.h"
#include "book/EntryStore.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/ServerAddress.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "core/Sql.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QDate kFirstDay(2026, 1, 1);
const QDate kLastDay = kFirstDay.addDays(109);
constexpr qint64 kEntries = 100000;
constexpr int kSaves = 300;

struct Figures
{
    double fill = 0;
    int rows = 0;
    std::vector<double> saves;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

Figures measure(DbConnection& db, const QString& dataDir)
{
    Bench::SilentDialogs dialogs;
    SystemClock clock;
    Session session(db, dialogs, clock, dataDir);
    LoadSettings(db, session.Settings);
    Figures figures;
    {
        frmPrincipal window(session);
        const Bench::Stopwatch watch;
        window.showPeriod(kFirstDay, kLastDay);
        figures.fill = watch.seconds();
        figures.rows = window.gridModel()->rowCount();
    }
    EntryStore store(db);
    for (int i = 0; i < kSaves; ++i) {
        EntryStore::Entry entry{kLastDay,
                                QTime(12, 0).addSecs(i),
                                QStringLiteral("CONTA %1").arg(1 + i % 20),
                                QString(),
                                QStringLiteral("Venda %1").arg(i),
                                Money::fromUnits(10'000 + i),
                                Money()};
        const Bench::Stopwatch watch;
        const auto saved = store.save(0, entry);
        figures.saves.push_back(watch.seconds());
        if (!saved)
            qFatal("save failed: %s", qPrintable(saved.reason()));
    }
    return figures;
}

void print(const char* engine, const Figures& f)
{
    std::printf("%-28s | fill of %d rows %.3f s | save median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                engine, f.rows, f.fill, percentile(f.saves, 0.5) * 1e3,
                percentile(f.saves, 0.95) * 1e3, percentile(f.saves, 1.0) * 1e3);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString root = QDir::temp().filePath(QStringLiteral("livro-caixa-bench"));
    QString url;
    if (const qsizetype i = args.indexOf(QStringLiteral("--server")); i >= 0 && i + 1 < args.size())
        url = args.at(i + 1);
    const bool ownServer = url.isEmpty();
    if (ownServer) {
        // Saves wait for the disk on a server as on a file.
        qputenv("LIVRO_PG_FSYNC", "on");
        url = Bench::serverScript({QStringLiteral("start"), root + QStringLiteral("/pg")});
    }

    const QString folder = root + QStringLiteral("/server");
    QDir().mkpath(folder);
    const QString book = folder + QStringLiteral("/bd.mdb");
    Bench::ensureBook(book, kEntries, kFirstDay, kLastDay, 20);
    // The saves go into a copy: the built book stays as it is for later runs.
    const QString work = folder + QStringLiteral("/trabalho/bd.mdb");
    QDir().mkpath(QFileInfo(work).path());
    QFile::remove(work);
    QFile::copy(book, work);

    auto address = ServerAddress::parse(url);
    if (!address)
        qFatal("%s", qPrintable(address.reason()));
    address->database = QStringLiteral("livro_bench_%1").arg(QCoreApplication::applicationPid());
    Bench::administer(*address, QStringLiteral("create database ") + address->database);
    {
        DbConnection file;
        DbConnection server;
        if (!file.open(work) || !server.openServer(*address))
            qFatal("the books did not open");
        const Bench::Stopwatch copyWatch;
        if (Status copied = BookTransfer::copyInto(file, server); !copied)
            qFatal("copy failed: %s", qPrintable(copied.reason()));
        std::printf("copy of %lld entries to the server, checked: %.2f s\n", kEntries,
                    copyWatch.seconds());
        print("SQLite file", measure(file, QFileInfo(work).path()));
        print("PostgreSQL, local socket", measure(server, QFileInfo(work).path()));
    }
    Bench::administer(*address, QStringLiteral("drop database ") + address->database);
    if (ownServer)
        Bench::serverScript({QStringLiteral("stop"), root + QStringLiteral("/pg")});
    return 0;
}
