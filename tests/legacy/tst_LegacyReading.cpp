#include "TestBook.h"
#include "TestMain.h"
#include "core/legacy/LegacyTables.h"
#include "core/legacy/LegacyValues.h"
#include "core/legacy/SourceBook.h"

#include <QSqlQuery>
#include <QTest>

#include <limits>

namespace {

constexpr qint64 kRefused = std::numeric_limits<qint64>::min();

// A table as the reader would describe it: "name<TAB>libmdb type" columns and
// rows of tab-separated, escaped fields.
struct FakeTable
{
    QByteArray name;
    QList<QByteArray> columns;
    QList<QByteArray> rows;
};

QList<FakeTable> currentLayout()
{
    return {
        {"caixa",
         {"id\t4", "idconta\t4", "data\t8", "hora\t8", "ndoc\t10", "descricao\t12", "entrada\t5",
          "saida\t5"},
         {}},
        {"contas", {"id\t4", "descricao\t10", "saldo\t5"}, {}},
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

FakeTable& tableNamed(QList<FakeTable>& tables, const QByteArray& name)
{
    for (FakeTable& t : tables) {
        if (t.name == name)
            return t;
    }
    qFatal("no table %s", name.constData());
}

QByteArray header()
{
    return "livro-caixa-mdb\t1\nfile\t4096\t40\n";
}

QByteArray readerOutput(const QList<FakeTable>& tables)
{
    QByteArray s = header();
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

Status parse(const QByteArray& stream, SourceBook& book, const QByteArray& warnings = {},
             bool crashed = false, int exitCode = 0)
{
    return SourceBook::parse({stream, warnings, crashed, exitCode}, book);
}

// Writes the tables into the book's empty tables, counting the figures.
Status writeInto(TestBook& book, const QList<FakeTable>& tables, LegacyTables::Figures& figures)
{
    SourceBook source;
    if (Status parsed = parse(readerOutput(tables), source); !parsed)
        return parsed;
    SilentProgress progress;
    return LegacyTables::write(book.db.database(), source, progress, figures);
}

QList<FakeTable> withEntries(const QList<QByteArray>& rows)
{
    QList<FakeTable> tables = currentLayout();
    tableNamed(tables, "caixa").rows = rows;
    return tables;
}

} // namespace

class tst_LegacyReading : public QObject
{
    Q_OBJECT

private slots:
    void currencyIsReadExactly_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("units");
        QTest::newRow("whole") << QByteArray("1500.0000") << qint64(15000000);
        QTest::newRow("ten cents") << QByteArray("0.1000") << qint64(1000);
        QTest::newRow("negative") << QByteArray("-150.0000") << qint64(-1500000);
        QTest::newRow("short decimals") << QByteArray("1.5") << qint64(15000);
        QTest::newRow("largest Currency")
            << QByteArray("922337203685477.5807") << qint64(9223372036854775807);
        // Not a float: 0.1 + 0.2 stays three tenths.
        QTest::newRow("tenths") << QByteArray("0.3000") << qint64(3000);
        QTest::newRow("empty") << QByteArray() << kRefused;
        QTest::newRow("dot without decimals") << QByteArray("1.") << kRefused;
        QTest::newRow("five decimals") << QByteArray("1.23456") << kRefused;
        QTest::newRow("comma") << QByteArray("1,00") << kRefused;
        QTest::newRow("exponent") << QByteArray("1e5") << kRefused;
        QTest::newRow("too large") << QByteArray("922337203685477.5808") << kRefused;
    }
    void currencyIsReadExactly()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, units);
        const auto money = LegacyValues::money(text);
        QCOMPARE(money.has_value(), units != kRefused);
        if (money)
            QCOMPARE(money->units(), units);
    }

    void datesAndTimes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::newRow("day") << QByteArray("2024-03-01 00:00:00") << QDate(2024, 3, 1)
                             << QTime(0, 0);
        QTest::newRow("time of day")
            << QByteArray("1899-12-30 08:00:00") << QDate(1899, 12, 30) << QTime(8, 0);
        QTest::newRow("last second")
            << QByteArray("2024-04-29 23:59:59") << QDate(2024, 4, 29) << QTime(23, 59, 59);
        QTest::newRow("date alone") << QByteArray("2019-08-05") << QDate(2019, 8, 5) << QTime(0, 0);
        QTest::newRow("short year")
            << QByteArray("203-05-01 00:00:00") << QDate(203, 5, 1) << QTime(0, 0);
        QTest::newRow("day zero") << QByteArray("1900-01-00 00:00:00") << QDate() << QTime();
        QTest::newRow("30 February") << QByteArray("2024-02-30 00:00:00") << QDate() << QTime();
        QTest::newRow("hour 25") << QByteArray("2024-03-01 25:00:00") << QDate() << QTime();
        QTest::newRow("before Access") << QByteArray("99-01-01 00:00:00") << QDate() << QTime();
        QTest::newRow("two-digit year of %x")
            << QByteArray("03/01/24 00:00:00") << QDate() << QTime();
        QTest::newRow("minutes only") << QByteArray("2024-03-01 08:00") << QDate() << QTime();
    }
    void datesAndTimes()
    {
        QFETCH(QByteArray, text);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        const auto moment = LegacyValues::moment(text);
        QCOMPARE(moment.has_value(), date.isValid());
        if (moment) {
            QCOMPARE(moment->date, date);
            QCOMPARE(moment->time, time);
        }
    }

    void integersAndYesNo()
    {
        QCOMPARE(LegacyValues::integer("201"), std::optional<qint64>(201));
        QCOMPARE(LegacyValues::integer("-7"), std::optional<qint64>(-7));
        QCOMPARE(LegacyValues::integer(""), std::nullopt);
        QCOMPARE(LegacyValues::integer("1.0"), std::nullopt);
        QCOMPARE(LegacyValues::integer("12a"), std::nullopt);
        QCOMPARE(LegacyValues::yesNo("1"), std::optional<bool>(true));
        QCOMPARE(LegacyValues::yesNo("0"), std::optional<bool>(false));
        // Yes as a number column holds it: -1.
        QCOMPARE(LegacyValues::yesNo("-1"), std::optional<bool>(true));
        QCOMPARE(LegacyValues::yesNo("TRUE"), std::nullopt);
    }

    void theReaderOutputIsReadBack()
    {
        QList<FakeTable> tables =
            withEntries({"1\t2\t\\N\t\\N\tA\\tB\t\\\\N \\\\ x\\ny\\r\t1.0000\t\\N"});
        SourceBook book;
        const Status parsed = parse(readerOutput(tables), book);
        QVERIFY2(parsed.ok(), qPrintable(parsed.reason()));
        QCOMPARE(book.tables().size(), 5);
        QCOMPARE(book.totalRows(), 1);
        const SourceTable* caixa = book.table(u"CAIXA");
        QVERIFY(caixa);
        QCOMPARE(caixa->indexOf(u"Descricao"), 5);
        QCOMPARE(caixa->columns.at(6).type, 5);
        const SourceRow row(caixa->rows.constFirst());
        QCOMPARE(row.size(), 8);
        QVERIFY(row.isNull(2));
        QVERIFY(!row.isNull(4));
        QCOMPARE(row.text(4), QStringLiteral("A\tB"));
        QCOMPARE(row.text(5), QStringLiteral("\\N \\ x\ny\r"));
        QVERIFY(row.isNull(7));
        QVERIFY(row.isNull(-1));
        QVERIFY(row.isNull(8));
    }

    void theReaderVerdict_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("warnings");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reasonPart"); // empty: accepted

        const QByteArray whole = readerOutput(withEntries({"1\t1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"}));
        const QByteArray cut = whole.left(whole.indexOf("rows\tcontas"));
        QTest::newRow("whole") << whole << QByteArray() << false << 0 << QString();
        QTest::newRow("broken off") << cut << QByteArray() << false << 0 << "terminou antes do fim";
        // The reader's own refusal says more than libmdb's warnings.
        QTest::newRow("missing page") << header() + "error\tpage\t42\n"
                                      << QByteArray("offset 1 is beyond EOF\n") << false << 2
                                      << "a página 42 não está inteira";
        QTest::newRow("unknown refusal") << header() + "error\txyz\n"
                                         << QByteArray() << false << 2 << "(xyz)";
        QTest::newRow("warning") << whole << QByteArray("\nwarning: odd page\nmore\n") << false << 0
                                 << "encontrou problemas (warning: odd page)";
        QTest::newRow("crash") << cut << QByteArray() << true << 0 << "parou de forma inesperada";
        QTest::newRow("exit code") << whole << QByteArray() << false << 3 << "(código 3)";
        QTest::newRow("not the reader")
            << QByteArray("hello\n") << QByteArray() << false << 0 << "terminou antes do fim";

        QList<FakeTable> fewer = withEntries({"1\t1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"});
        QByteArray claimed = readerOutput(fewer);
        claimed.replace("table\tcaixa\t1\t", "table\tcaixa\t2\t");
        QTest::newRow("fewer rows than declared")
            << claimed << QByteArray() << false << 0 << "terminou antes do fim";
    }
    void theReaderVerdict()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, warnings);
        QFETCH(bool, crashed);
        QFETCH(int, exitCode);
        QFETCH(QString, reasonPart);
        SourceBook book;
        const Status parsed = parse(stream, book, warnings, crashed, exitCode);
        QCOMPARE(parsed.ok(), reasonPart.isEmpty());
        QVERIFY2(parsed.reason().contains(reasonPart), qPrintable(parsed.reason()));
    }

    void theLayoutIsChecked_data()
    {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QByteArray>("column");
        QTest::addColumn<QByteArray>("replacement"); // empty: the column is left out
        QTest::addColumn<QString>("reasonPart");     // empty: accepted
        QTest::newRow("no ndoc (older layout)")
            << QByteArray("caixa") << QByteArray("ndoc\t10") << QByteArray() << QString();
        QTest::newRow("no restrito (older layout)")
            << QByteArray("usuarios") << QByteArray("restrito\t1") << QByteArray() << QString();
        QTest::newRow("description as Text") << QByteArray("caixa") << QByteArray("descricao\t12")
                                             << QByteArray("descricao\t10") << QString();
        QTest::newRow("amount as Long")
            << QByteArray("caixa") << QByteArray("saida\t5") << QByteArray("saida\t4")
            << "a coluna caixa.saida tem um tipo inesperado (tipo 4 do Access)";
        QTest::newRow("no saida") << QByteArray("caixa") << QByteArray("saida\t5") << QByteArray()
                                  << "a tabela caixa não tem a coluna saida";
        QTest::newRow("date as text")
            << QByteArray("saldos") << QByteArray("data\t8") << QByteArray("data\t10")
            << "a coluna saldos.data tem um tipo inesperado";
        QTest::newRow("Yes/No as Integer") << QByteArray("opcoes") << QByteArray("lembrar\t1")
                                           << QByteArray("lembrar\t3") << QString();
        QTest::newRow("no usuarios") << QByteArray("usuarios") << QByteArray() << QByteArray()
                                     << "o arquivo não tem a tabela usuarios";
    }
    void theLayoutIsChecked()
    {
        QFETCH(QByteArray, table);
        QFETCH(QByteArray, column);
        QFETCH(QByteArray, replacement);
        QFETCH(QString, reasonPart);
        QList<FakeTable> tables = currentLayout();
        QList<QByteArray>& columns = tableNamed(tables, table).columns;
        // Columns the cash book does not know are left behind.
        columns.append("coluna_nova\t10");
        const qsizetype at = columns.indexOf(column);
        if (column.isEmpty())
            tables.removeIf([&](const FakeTable& t) { return t.name == table; });
        else if (replacement.isEmpty())
            columns.removeAt(at);
        else
            columns[at] = replacement;
        SourceBook book;
        QVERIFY(parse(readerOutput(tables), book).ok());
        const Status checked = LegacyTables::checkLayout(book);
        QCOMPARE(checked.ok(), reasonPart.isEmpty());
        QVERIFY2(checked.reason().contains(reasonPart), qPrintable(checked.reason()));
    }

    void rowsGoInByIdAndDate()
    {
        QList<FakeTable> tables = withEntries({
            "7\t1\t2024-03-02 00:00:00\t1899-12-30 09:30:15\t\\N\tsegundo\t10.5000\t\\N",
            "3\t\\N\t2024-03-01 00:00:00\t1899-12-30 00:00:00\tNF 1\tprimeiro\t\\N\t0.0100",
        });
        tableNamed(tables, "saldos").rows = {"2024-03-08 00:00:00\t2.0000",
                                             "2024-03-01 00:00:00\t1.0000"};
        tableNamed(tables, "opcoes").columns.removeLast(); // an older layout: no indioma
        tableNamed(tables, "opcoes").rows = {"1\t0\tmaria\t255\t0\t\\N\t0\t-1\t7\tR$"};
        TestBook book;
        LegacyTables::Figures figures;
        const Status written = writeInto(book, tables, figures);
        QVERIFY2(written.ok(), qPrintable(written.reason()));
        QVERIFY(LegacyTables::verify(book.db.database(), figures).ok());
        QCOMPARE(figures.rows.value(QStringLiteral("caixa")), 2);
        QCOMPARE(figures.accounts.size(), size_t(2));
        QCOMPARE(figures.accounts.at(std::nullopt).out, Money::fromUnits(100));

        QSqlQuery q(book.db.database());
        QVERIFY(q.exec(QStringLiteral(
            "select id, idconta, data, hora, ndoc, entrada, saida from caixa order by rowid")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 3);
        QVERIFY(q.value(1).isNull());
        QCOMPARE(q.value(2).toString(), QStringLiteral("2024-03-01"));
        QCOMPARE(q.value(3).toString(), QStringLiteral("00:00:00"));
        QCOMPARE(q.value(4).toString(), QStringLiteral("NF 1"));
        QVERIFY(q.value(5).isNull());
        QCOMPARE(q.value(6).toLongLong(), qint64(100));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 7);
        QCOMPARE(q.value(3).toString(), QStringLiteral("09:30:15"));
        QCOMPARE(q.value(5).toLongLong(), qint64(105000));
        QVERIFY(q.exec(QStringLiteral("select data from saldos order by rowid")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2024-03-01"));
        QCOMPARE(book.scalar(QStringLiteral("select bkpautomatico from opcoes")).toInt(), 1);
        QVERIFY(book.scalar(QStringLiteral("select indioma from opcoes")).isNull());
        QVERIFY(book.scalar(QStringLiteral("select corfundosaida from opcoes")).isNull());

        // A book that differs from what went in is noticed.
        book.exec(QStringLiteral("update caixa set saida = saida + 1 where id = 3"));
        QVERIFY(LegacyTables::verify(book.db.database(), figures)
                    .reason()
                    .contains(QStringLiteral("somas")));
        book.exec(QStringLiteral("delete from saldos"));
        QVERIFY(LegacyTables::verify(book.db.database(), figures)
                    .reason()
                    .contains(QStringLiteral("saldos")));
    }

    void damagedRowsWriteNothing_data()
    {
        QTest::addColumn<QList<QByteArray>>("rows");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good =
            "1\t1\t2024-03-01 00:00:00\t1899-12-30 08:00:00\t\\N\tx\t1.0000\t0.0000";
        QTest::newRow("id twice") << QList<QByteArray>{good, good}
                                  << "o id 1 aparece mais de uma vez na tabela caixa";
        QTest::newRow("no id") << QList<QByteArray>{"\\N\t1\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"}
                               << "a tabela caixa tem uma linha sem id";
        QTest::newRow("amount")
            << QList<QByteArray>{"5\t1\t\\N\t\\N\t\\N\tx\t12,50\t\\N"}
            << "a coluna caixa.entrada tem um valor inválido (12,50) na linha de id 5";
        QTest::newRow("time")
            << QList<QByteArray>{"5\t1\t\\N\t1899-12-30 24:00:00\t\\N\tx\t\\N\t\\N"}
            << "caixa.hora tem um valor inválido";
        QTest::newRow("account") << QList<QByteArray>{good, "2\tum\t\\N\t\\N\t\\N\tx\t\\N\t\\N"}
                                 << "caixa.idconta tem um valor inválido (um) na linha de id 2";
    }
    void damagedRowsWriteNothing()
    {
        QFETCH(QList<QByteArray>, rows);
        QFETCH(QString, reasonPart);
        QList<FakeTable> tables = withEntries(rows);
        tableNamed(tables, "contas").rows = {"1\tCAIXA\t0.0000"};
        TestBook book;
        LegacyTables::Figures figures;
        const Status written = writeInto(book, tables, figures);
        QVERIFY(!written.ok());
        QVERIFY2(written.reason().contains(reasonPart), qPrintable(written.reason()));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 0);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 0);
    }
};

LIVRO_TEST(tst_LegacyReading)
#include "tst_LegacyReading.moc"
