// How long converting the older program's Access book takes.
//
//   bench_migrate [--entries N]
//
// 1. bd-completo.mdb (196 entries) end to end, as at start-up: the reader in
//    its own process, the checks, the new book, its verification and the swap.
// 2. The reader alone on the same file.
// 3. A large book of N entries (default 200,000), fed as the reader writes
//    it: reading the reader's text, writing the new book and verifying it.
//    libmdb cannot write Access files, so the large book has no .mdb of its own.
// 0. First, while the program is still small: the damaged bd-completo.mdb
//    that sends libmdb round in circles, refused as at start-up: the time to
//    the refusal, the program's peak memory and the reader's.

#include "BenchSupport.h"
#include "Mutation.h"

#include "core/DbConnection.h"
#include "core/Schema.h"
#include "legacy/AccessMigration.h"
#include "legacy/LegacyTables.h"
#include "legacy/ReaderProcess.h"
#include "legacy/SourceBook.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

namespace {

const QString kBook = QStringLiteral(LIVRO_LEGACY_DATA "/bd-completo.mdb");
const QString kReader = QStringLiteral(LIVRO_MDB_READER);

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void runawayReader()
{
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("bd.mdb"));
    QFile file(book);
    QByteArray bytes;
    {
        QFile source(kBook);
        if (!source.open(QIODevice::ReadOnly))
            qFatal("no bd-completo.mdb");
        bytes = source.readAll();
    }
    bytes = Mutation::flipBits(bytes, Mutation::kRunawayAccessSeed, Mutation::kRunawayAccessFlips);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write the damaged book");
    file.close();
    Bench::SilentDialogs dialogs;
    const Bench::Stopwatch watch;
    const auto result = AccessMigration::migrate(book, kReader, dialogs);
    const double seconds = watch.seconds();
    if (result)
        qFatal("the damaged book was converted");
    rusage children = {};
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("damaged bd-completo.mdb (runaway libmdb) refused in %.2f s | program peak RSS "
                "%.0f MB | reader peak RSS %.0f MB\n  reason: %s\n",
                seconds, double(Bench::peakResidentBytes()) / 1e6,
                double(children.ru_maxrss) * 1024 / 1e6, qPrintable(result.reason().left(160)));
}

void wholeMigration()
{
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("bd.mdb"));
        QFile::copy(kBook, book);
        Bench::SilentDialogs dialogs;
        const Bench::Stopwatch watch;
        const auto result = AccessMigration::migrate(book, kReader, dialogs);
        times.push_back(watch.seconds());
        if (!result)
            qFatal("migration failed: %s", qPrintable(result.reason()));
    }
    std::printf("bd-completo.mdb converted end to end: median %.1f ms (min %.1f ms)\n",
                median(times) * 1000, *std::min_element(times.begin(), times.end()) * 1000);
}

void readerAlone()
{
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        SilentProgress progress;
        SourceBook::ReaderOutput output;
        const Bench::Stopwatch watch;
        if (!ReaderProcess::run(kReader, QStringList{kBook} + Schema::tableNames(), progress,
                                output))
            qFatal("the reader did not run");
        times.push_back(watch.seconds());
    }
    std::printf("reader alone on bd-completo.mdb: median %.1f ms\n", median(times) * 1000);
}

// The reader's text of a book with `entries` entries over 20 accounts.
QByteArray largeOutput(qint64 entries)
{
    QByteArray s = "livro-caixa-mdb\t1\nfile\t4096\t1\n";
    s += "table\tcaixa\t" + QByteArray::number(entries) + "\t8\n";
    for (const char* c : {"id\t4", "idconta\t4", "data\t8", "hora\t8", "ndoc\t10", "descricao\t12",
                          "entrada\t5", "saida\t5"})
        s += QByteArray("column\t") + c + "\t8\n";
    s +=
        "table\tcontas\t20\t3\ncolumn\tid\t4\t4\ncolumn\tdescricao\t10\t100\ncolumn\tsaldo\t5\t8\n";
    s += "table\tsaldos\t0\t2\ncolumn\tdata\t8\t8\ncolumn\tsaldo\t5\t8\n";
    s += "table\topcoes\t0\t1\ncolumn\tlembrar\t1\t0\n";
    s += "table\tusuarios\t0\t1\ncolumn\tid\t4\t4\n";
    s += "rows\tcaixa\n";
    for (qint64 i = 1; i <= entries; ++i) {
        s += "r\t" + QByteArray::number(i) + '\t' + QByteArray::number(i % 20 + 1) + "\t2024-03-" +
             QByteArray::number(10 + i % 19) +
             " 00:00:00\t1899-12-30 08:" + QByteArray::number(10 + i % 50) + ":00\tNF " +
             QByteArray::number(i) + "\tVenda de mercadorias no balcão número " +
             QByteArray::number(i) + '\t' + QByteArray::number(i % 997) + ".2500\t\\N\n";
    }
    s += "end\tcaixa\t" + QByteArray::number(entries) + "\nrows\tcontas\n";
    for (int a = 1; a <= 20; ++a)
        s += "r\t" + QByteArray::number(a) + "\tCONTA " + QByteArray::number(a) + "\t0.0000\n";
    s += "end\tcontas\t20\nrows\tsaldos\nend\tsaldos\t0\nrows\topcoes\nend\topcoes\t0\n";
    return s + "rows\tusuarios\nend\tusuarios\t0\ndone\n";
}

void largeBook(qint64 entries)
{
    const QByteArray output = largeOutput(entries);
    const Bench::Stopwatch parseWatch;
    SourceBook source;
    if (!SourceBook::parse({output, {}, false, 0}, source))
        qFatal("the text did not parse");
    const double parsing = parseWatch.seconds();

    QTemporaryDir dir;
    DbConnection book;
    if (!book.open(dir.filePath(QStringLiteral("bd.mdb"))))
        qFatal("no book");
    SilentProgress progress;
    LegacyTables::Figures figures;
    const Bench::Stopwatch writeWatch;
    if (Status written = LegacyTables::write(book.database(), source, progress, figures); !written)
        qFatal("writing failed: %s", qPrintable(written.reason()));
    const double writing = writeWatch.seconds();
    const Bench::Stopwatch verifyWatch;
    if (!LegacyTables::verify(book.database(), figures))
        qFatal("verification failed");
    const double verifying = verifyWatch.seconds();
    std::printf("%lld entries (%.1f MB of reader text): reading the text %.2f s | writing %.2f s "
                "(%.0f rows/s)"
                " | verifying %.2f s | peak RSS %.0f MB\n",
                entries, double(output.size()) / 1e6, parsing, writing, double(entries) / writing,
                verifying, double(Bench::peakResidentBytes()) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption entries(QStringLiteral("entries"),
                                     QStringLiteral("Entries of the large book."),
                                     QStringLiteral("N"), QStringLiteral("200000"));
    parser.addOption(entries);
    parser.process(app);
    runawayReader();
    wholeMigration();
    readerAlone();
    largeBook(parser.value(entries).toLongLong());
    return 0;
}
