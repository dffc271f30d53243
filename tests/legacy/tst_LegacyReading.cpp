#include "FakeDialogs.h"
#include "LegacyFiles.h"
#include "Mutation.h"
#include "TestBook.h"
#include "TestMain.h"
#include "legacy/AccessMigration.h"
#include "legacy/LegacyTables.h"
#include "legacy/LegacyValues.h"
#include "legacy/ReaderProcess.h"
#include "legacy/SourceBook.h"

#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// A table as the reader would describe it: "name<TAB>libmdb type" columns and
// rows of tab-separated, escaped fields. caixa also has a column the cash book
// does not know.
struct FakeTable
{
    QByteArray name;
    QList<QByteArray> columns;
    QList<QByteArray> rows;
};

enum { Caixa, Contas, Saldos, Opcoes, Usuarios };

QList<FakeTable> currentLayout(const QList<QByteArray>& entries = {})
{
    return {
        {"caixa",
         {"id\t4", "idconta\t4", "data\t8", "hora\t8", "ndoc\t10", "descricao\t12", "entrada\t5",
          "saida\t5", "coluna_nova\t10"},
         entries},
        {"contas", {"id\t4", "descricao\t10", "saldo\t5"}, {"1\tCAIXA\t0.0000"}},
        {"saldos", {"data\t8", "saldo\t5"}, {}},
        {"opcoes",
         {"lembrar\t1", "susuario\t1", "usuario\t10", "corfundoentrada\t10", "corletraentrada\t10",
          "corfundosaida\t10", "corletrasaida\t10", "bkpautomatico\t1", "qtdarquivosbkp\t3",
          "moeda\t10", "indioma\t10"},
         {}},
        {"usuarios",
         {"id\t4", "usuario\t10", "nome\t10", "senha\t10", "email\t10", "dica\t10", "pergunta\t10",
          "resposta\t10", "restrito\t1"},
         {}},
    };
}

const QByteArray kHeader = "livro-caixa-mdb\t1\nfile\t4096\t40\n";

QByteArray readerOutput(const QList<FakeTable>& tables)
{
    QByteArray s = kHeader;
    for (const FakeTable& t : tables) {
        s += "table\t" + t.name + '\t' + QByteArray::number(t.rows.size()) + '\t' +
             QByteArray::number(t.columns.size()) + '\n';
        for (const QByteArray& c : t.columns)
            s += "column\t" + c + "\t8\n";
    }
    for (const FakeTable& t : tables) {
        s += "rows\t" + t.name + '\n';
        for (const QByteArray& r : t.rows)
            s += "r\t" + r + '\n';
        s += "end\t" + t.name + '\t' + QByteArray::number(t.rows.size()) + '\n';
    }
    return s + "done\n";
}

QByteArray changed(const std::function<void(QList<FakeTable>&)>& change)
{
    QList<FakeTable> tables = currentLayout();
    change(tables);
    return readerOutput(tables);
}

// As the conversion goes: the reader's verdict, the layout, then the rows,
// counting the figures.
Status convert(TestBook& book, const SourceBook::ReaderOutput& output,
               LegacyTables::Figures& figures)
{
    SourceBook source;
    SilentProgress progress;
    Status status = SourceBook::parse(output, source);
    if (status)
        status = LegacyTables::checkLayout(source);
    if (status)
        status = LegacyTables::write(book.db.database(), source, progress, figures);
    return status;
}

// The reader's outcome with the given limits.
std::pair<Status, SourceBook::ReaderOutput> runReader(const QString& program,
                                                      const ReaderProcess::Limits& limits)
{
    SilentProgress progress;
    SourceBook::ReaderOutput output;
    const Status status = ReaderProcess::run(program, {}, progress, output, limits);
    return {status, output};
}

} // namespace

// What the Access reader wrote, read and checked; and a reader that runs
// away on a damaged file (warning, writing or growing without end, or just
// taking too long) is stopped and the file refused with the reason, holding
// on to no more than the limits allow.
class tst_LegacyReading : public QObject
{
    Q_OBJECT

private slots:
    // Each value the reader writes is converted exactly or refused: Currency
    // digit by digit into ten-thousandths (never a float), Date/Time within
    // the years Access accepts, whole numbers, Yes/No.
    void valuesAreReadExactly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("read");
        for (const auto& [kind, text, read] : std::initializer_list<std::array<const char*, 3>>{
                 {"money", "-150.0000", "-1500000"},
                 {"money", "1.5", "15000"},
                 {"money", "922337203685477.5807", "9223372036854775807"}, // the largest Currency
                 {"money", "922337203685477.5808", "refused"},
                 {"money", "", "refused"},
                 {"money", "1.23456", "refused"},
                 {"moment", "2019-08-05", "2019-08-05 00:00:00"},
                 {"moment", "203-05-01 00:00:00", "0203-05-01 00:00:00"},
                 {"moment", "99-01-01 00:00:00", "refused"},
                 {"moment", "2024-02-30 00:00:00", "refused"},
                 {"moment", "03/01/24 00:00:00", "refused"}, // the two-digit year of %x
                 {"integer", "-7", "-7"},
                 {"integer", "1.0", "refused"},
                 {"yesNo", "0", "false"},
                 {"yesNo", "-1", "true"}, // Yes in a number column
                 {"yesNo", "TRUE", "refused"},
             })
            QTest::addRow("%s %s", kind, text)
                << QString::fromLatin1(kind) << QByteArray(text) << QString::fromLatin1(read);
    }
    void valuesAreReadExactly()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, text);
        QFETCH(QString, read);
        const auto shown = [](const auto& value, auto toText) {
            return value ? toText(*value) : QStringLiteral("refused");
        };
        const QString got =
            kind == u"money"    ? shown(LegacyValues::money(text),
                                        [](Money m) { return QString::number(m.units()); })
            : kind == u"moment" ? shown(LegacyValues::moment(text),
                                        [](const LegacyValues::Moment& m) {
                                            return m.date.toString(QStringLiteral("yyyy-MM-dd ")) +
                                                   m.time.toString(Qt::ISODate);
                                        })
            : kind == u"integer"
                ? shown(LegacyValues::integer(text), [](qint64 i) { return QString::number(i); })
                : shown(LegacyValues::yesNo(text),
                        [](bool b) { return QString::fromLatin1(b ? "true" : "false"); });
        QCOMPARE(got, read);
    }

    // The conversion takes only what the reader wrote whole and well, in the
    // cash book's layout, with every value readable; anything else is refused
    // with its reason and writes nothing.
    void whatIsRefused_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("warnings");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reasonPart"); // empty: accepted
        const auto row = [](const char* name, const QByteArray& stream, const char* reason,
                            const QByteArray& warnings = {}, int exitCode = 0) {
            QTest::newRow(name) << stream << warnings << exitCode << QString::fromUtf8(reason);
        };
        const QByteArray good =
            "1\t1\t2024-03-01 00:00:00\t1899-12-30 08:00:00\t\\N\tx\t1.0000\t0.0000";
        const QByteArray whole = readerOutput(currentLayout({good}));
        row("whole", whole, "");
        // The reader's own refusal says more than libmdb's warnings.
        row("missing page", kHeader + "error\tpage\t42\n", "a página 42 não está inteira",
            "offset 1 is beyond EOF\n", 2);
        row("unknown refusal", kHeader + "error\txyz\n", "(xyz)", {}, 2);
        row("exit code", whole, "(código 3)", {}, 3);
        row("not the reader", "hello\n", "terminou antes do fim");
        row("fewer rows than declared",
            QByteArray(whole).replace("table\tcaixa\t1\t", "table\tcaixa\t2\t"),
            "terminou antes do fim");
        row("Yes/No as Integer", changed([](auto& t) { t[Opcoes].columns[0] = "lembrar\t3"; }), "");
        row("amount as Long", changed([](auto& t) { t[Caixa].columns[7] = "saida\t4"; }),
            "a coluna caixa.saida tem um tipo inesperado (tipo 4 do Access)");
        row("no saida", changed([](auto& t) { t[Caixa].columns.removeAt(7); }),
            "a tabela caixa não tem a coluna saida");
        row("no usuarios", changed([](auto& t) { t.removeAt(Usuarios); }),
            "o arquivo não tem a tabela usuarios");
        row("id twice", readerOutput(currentLayout({good, good})),
            "o id 1 aparece mais de uma vez na tabela caixa");
        row("no id", readerOutput(currentLayout({"\\N\t1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"})),
            "a tabela caixa tem uma linha sem id");
        row("amount", readerOutput(currentLayout({"5\t1\t\\N\t\\N\t\\N\tx\t12,50\t\\N"})),
            "a coluna caixa.entrada tem um valor inválido (12,50) na linha de id 5");
        row("time",
            readerOutput(currentLayout({"5\t1\t\\N\t1899-12-30 24:00:00\t\\N\tx\t\\N\t\\N"})),
            "caixa.hora tem um valor inválido");
        row("account", readerOutput(currentLayout({good, "2\tum\t\\N\t\\N\t\\N\tx\t\\N\t\\N"})),
            "caixa.idconta tem um valor inválido (um) na linha de id 2");
    }
    void whatIsRefused()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, warnings);
        QFETCH(int, exitCode);
        QFETCH(QString, reasonPart);
        TestBook book;
        LegacyTables::Figures figures;
        const Status converted = convert(book, {stream, warnings, false, exitCode}, figures);
        QVERIFY2(converted.ok() == reasonPart.isEmpty(), qPrintable(converted.reason()));
        VERIFY_CONTAINS(converted.reason(), reasonPart);
        if (!converted.ok()) {
            QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 0);
            QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 0);
        }
    }

    // Rows go in by id (saldos by date), ids and NULLs kept, a missing
    // account included. Fields are split at tabs and unescaped; \N is NULL, a
    // field past the end too; names match whatever their case. The figures
    // counted on the way in catch a book that differs from them.
    void rowsGoInByIdAndDate()
    {
        QList<FakeTable> tables = currentLayout({
            "7\t1\t2024-03-02 00:00:00\t1899-12-30 09:30:15\t\\N\tA\\tB \\\\N \\\\ "
            "x\\ny\\r\t10.5000",
            "3\t\\N\t2024-03-01 00:00:00\t1899-12-30 00:00:00\tNF 1\tprimeiro\t\\N\t0.0100",
        });
        tables[Caixa].name = "CAIXA";
        tables[Caixa].columns[5] = "Descricao\t12";
        tables[Saldos].rows = {"2024-03-08 00:00:00\t2.0000", "2024-03-01 00:00:00\t1.0000"};
        TestBook book;
        LegacyTables::Figures figures;
        const Status written = convert(book, {readerOutput(tables), {}, false, 0}, figures);
        QVERIFY2(written.ok(), qPrintable(written.reason()));
        QVERIFY(LegacyTables::verify(book.db.database(), figures).ok());
        // id, idconta, ndoc, saida of each entry, by id
        QCOMPARE(book.strings(QStringLiteral(
                     "select id || ';' || ifnull(idconta, 'NULL') || ';' || ifnull(ndoc, 'NULL') "
                     "|| ';' || ifnull(saida, 'NULL') from caixa order by id")),
                 items("3;NULL;NF 1;100|7;1;NULL;NULL"));
        QCOMPARE(book.scalar(QStringLiteral("select descricao from caixa where id = 7")),
                 QStringLiteral("A\tB \\N \\ x\ny\r"));
        QCOMPARE(
            book.strings(QStringLiteral("select data || ' ' || saldo from saldos order by rowid")),
            items("2024-03-01 10000|2024-03-08 20000"));

        book.exec(QStringLiteral("update caixa set saida = saida + 1 where id = 3"));
        const Status sums = LegacyTables::verify(book.db.database(), figures);
        VERIFY_CONTAINS(sums.reason(), QStringLiteral("somas"));
        book.exec(QStringLiteral("delete from saldos"));
        const Status days = LegacyTables::verify(book.db.database(), figures);
        VERIFY_CONTAINS(days.reason(), QStringLiteral("saldos"));
    }

    // The damaged bd-completo.mdb that made libmdb print the same warning
    // forever while the program buffered it is refused on the first warning,
    // with that warning as the reason; what a reader leaves on standard error
    // is kept to the limit.
    void warningsStopTheReaderAndAreKeptShort()
    {
        QTemporaryDir folder;
        const QString book = folder.filePath(u"bd.mdb"_s);
        writeFile(book,
                  Mutation::flipBits(fileBytes(legacyBook(u"bd-completo.mdb"_s)),
                                     Mutation::kRunawayAccessSeed, Mutation::kRunawayAccessFlips));
        FakeDialogs dialogs;
        // Generous limits: only the warning may stop this reader in time.
        ReaderProcess::Limits generous;
        generous.quietSeconds = 120;
        VERIFY_CONTAINS(
            AccessMigration::migrate(book, QStringLiteral(LIVRO_MDB_READER), dialogs, generous)
                .reason(),
            u"encontrou problemas (Warning: mdb_col_to_string called on unsupported data "
            "type 0.)"_s);

        ReaderProcess::Limits limits;
        limits.warningBytes = 100;
        const auto [status, output] = runReader(
            readerScript(folder.path(), "yes 'Warning: the same line again' >&2"), limits);
        QVERIFY(status.ok());
        QVERIFY2(!output.warnings.isEmpty() && output.warnings.size() <= 100,
                 qPrintable(QString::number(output.warnings.size())));
        SourceBook source;
        const Status parsed = SourceBook::parse(output, source);
        VERIFY_CONTAINS(parsed.reason(), u"encontrou problemas (Warning: the same line again)"_s);
    }

    // Rows without end, memory without end, a read that never finishes
    // while it keeps talking, or one that says nothing: each passes a limit
    // and is stopped.
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
        QTest::newRow("a reader that stops answering")
            << QByteArray("sleep 30") << u"quiet"_s << u"parou de responder"_s;
    }
    void eachLimitStopsTheReader()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, limit);
        QFETCH(QString, reasonPart);
        QTemporaryDir folder;
        ReaderProcess::Limits limits;
        limits.totalSeconds = limit == u"total" ? 2 : 60;
        limits.quietSeconds = limit == u"quiet" ? 1 : 60;
        limits.outputBytes = limit == u"output" ? (1 << 20) : (64 << 20);
        limits.memoryBytes = limit == u"memory" ? (64 << 20) : (1LL << 30);
        const auto [status, output] = runReader(readerScript(folder.path(), body), limits);
        QVERIFY2(!status.ok() && status.reason().contains(reasonPart), qPrintable(status.reason()));
        // Stopped within one look at the pipe past the limit.
        QVERIFY(output.stream.size() <= limits.outputBytes + (8 << 20));
    }
};

LIVRO_TEST(tst_LegacyReading)
#include "tst_LegacyReading.moc"
