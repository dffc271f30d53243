#include "FakeDialogs.h"
#include "LegacyFiles.h"
#include "Mutation.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/Schema.h"
#include "legacy/AccessMigration.h"
#include "legacy/ReaderProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    Status status = Status::success();
    SourceBook::ReaderOutput output;
};

Run runReader(const QString& program, const ReaderProcess::Limits& limits)
{
    Run run;
    SilentProgress progress;
    run.status = ReaderProcess::run(program, {}, progress, run.output, limits);
    return run;
}

} // namespace

// A damaged Access file can send libmdb round in circles. Whatever the reader
// then does (warn without end, write without end, grow, or just take too
// long), it is stopped and the file refused with the reason, holding on to
// no more than the limits allow.
class tst_RunawayReader : public QObject
{
    Q_OBJECT

private slots:
    // The damaged bd-completo.mdb that made libmdb print the same warning
    // forever while the program buffered it: refused on the first warning,
    // with that warning as the reason, the file as it was.
    void theDamagedBookIsRefusedOnItsFirstWarning()
    {
        const QByteArray good = fileBytes(legacyBook(u"bd-completo.mdb"_s));
        const QByteArray damaged =
            Mutation::flipBits(good, Mutation::kRunawayAccessSeed, Mutation::kRunawayAccessFlips);
        QTemporaryDir folder;
        const QString book = folder.filePath(u"bd.mdb"_s);
        writeFile(book, damaged);
        FakeDialogs dialogs;
        // Generous limits: only the warning may stop this reader in time.
        ReaderProcess::Limits limits;
        limits.quietSeconds = 120;
        const auto result =
            AccessMigration::migrate(book, QStringLiteral(LIVRO_MDB_READER), dialogs, limits);
        QVERIFY(!result.ok());
        VERIFY_CONTAINS(
            result.reason(),
            u"encontrou problemas (Warning: mdb_col_to_string called on unsupported data "
            "type 0.)"_s);
        QCOMPARE(fileBytes(book), damaged);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"bd.mdb"_s});
    }

    // What the reader leaves on standard error is kept to the limit.
    void warningsAreKeptShort()
    {
        QTemporaryDir folder;
        ReaderProcess::Limits limits;
        limits.warningBytes = 100;
        const Run run = runReader(
            readerScript(folder.path(), "yes 'Warning: the same line again' >&2"), limits);
        QVERIFY(run.status.ok());
        QVERIFY2(!run.output.warnings.isEmpty() && run.output.warnings.size() <= 100,
                 qPrintable(QString::number(run.output.warnings.size())));
        SourceBook source;
        const Status parsed = SourceBook::parse(run.output, source);
        VERIFY_CONTAINS(parsed.reason(), u"encontrou problemas (Warning: the same line again)"_s);
    }

    // Rows without end, memory without end, or a read that never finishes
    // while it keeps talking: each passes a limit and is stopped.
    void eachLimitStopsTheReader_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("rows without end")
            << QByteArray("yes 'r\t1\t2\t3'") << u"output"_s << u"produziu dados demais"_s;
        // The address-space limit only keeps the stand-in from taking the
        // machine down should the watch fail.
        QTest::newRow("memory without end") << QByteArray("ulimit -v 1000000; exec tail /dev/zero")
                                            << u"memory"_s << u"memória demais"_s;
        QTest::newRow("a read that never ends")
            << QByteArray("while :; do echo 'r\t1'; sleep 0.2; done") << u"total"_s
            << u"passou de 2 segundos"_s;
    }
    void eachLimitStopsTheReader()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, limit);
        QFETCH(QString, reasonPart);
        QTemporaryDir folder;
        ReaderProcess::Limits limits;
        limits.totalSeconds = limit == u"total" ? 2 : 60;
        limits.outputBytes = limit == u"output" ? (1 << 20) : (64 << 20);
        limits.memoryBytes = limit == u"memory" ? (64 << 20) : (1LL << 30);
        const Run run = runReader(readerScript(folder.path(), body), limits);
        QVERIFY2(!run.status.ok() && run.status.reason().contains(reasonPart),
                 qPrintable(run.status.reason()));
        // Stopped within one look at the pipe past the limit.
        QVERIFY(run.output.stream.size() <= limits.outputBytes + (8 << 20));
    }
};

LIVRO_TEST(tst_RunawayReader)
#include "tst_RunawayReader.moc"
