#include "TestBook.h"
#include "TestMain.h"
#include "core/RowReader.h"

#include <QTest>

// Both ways of reading rows give the same values, nulls and errors.
class tst_RowReader : public QObject
{
    Q_OBJECT

private slots:
    void bothPathsAgree_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("sqlite") << int(RowReader::Path::Fastest);
        QTest::newRow("portable") << int(RowReader::Path::Portable);
    }
    void bothPathsAgree()
    {
        QFETCH(int, path);
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("D'ÁVILA"));
        book.addEntry(QStringLiteral("2024-03-01"), QStringLiteral("08:05:09"), account,
                      QStringLiteral("Compra de \"material\" — 10 €"), QStringLiteral("1.234,56"), std::nullopt,
                      QStringLiteral(""));
        book.exec(QStringLiteral("insert into caixa (data, hora, descricao, entrada) values ('2024-03-02', '23:59', NULL, 12.5)"));

        RowReader row(book.db, QStringLiteral("select * from caixa where data >= ? order by id"),
                      {QStringLiteral("2024-01-01")}, RowReader::Path(path));
        QVERIFY2(row.ok(), qPrintable(row.error()));
        const int idconta = row.indexOf(QStringLiteral("idconta"));
        const int descricao = row.indexOf(QStringLiteral("DESCRICAO"));
        const int entrada = row.indexOf(QStringLiteral("entrada"));
        const int saida = row.indexOf(QStringLiteral("saida"));
        const int ndoc = row.indexOf(QStringLiteral("ndoc"));
        QCOMPARE(row.indexOf(QStringLiteral("inexistente")), -1);

        QVERIFY(row.next());
        QCOMPARE(row.integer(idconta), std::optional<qint64>(account));
        QCOMPARE(row.date(row.indexOf(QStringLiteral("data"))), QDate(2024, 3, 1));
        QCOMPARE(row.time(row.indexOf(QStringLiteral("hora"))), QTime(8, 5, 9));
        QCOMPARE(row.text(descricao).toString(), QStringLiteral("Compra de \"material\" — 10 €"));
        QVERIFY(row.isInteger(entrada));
        QCOMPARE(row.integer(entrada), std::optional<qint64>(12345600));
        QVERIFY(row.isNull(saida));
        QCOMPARE(row.integer(saida), std::nullopt);
        QVERIFY(!row.isNull(ndoc));
        QCOMPARE(row.text(ndoc).size(), qsizetype(0));

        QVERIFY(row.next());
        QVERIFY(row.isNull(idconta));
        QVERIFY(row.isNull(descricao));
        QCOMPARE(row.time(row.indexOf(QStringLiteral("hora"))), QTime(23, 59));
        QVERIFY(!row.isInteger(entrada));
        QCOMPARE(row.value(entrada).toDouble(), 12.5);
        QVERIFY(!row.next());
        QVERIFY(row.ok());
    }

    void failingStatement_data() { bothPathsAgree_data(); }
    void failingStatement()
    {
        QFETCH(int, path);
        TestBook book;
        RowReader row(book.db, QStringLiteral("select * from tabela_inexistente"), {}, RowReader::Path(path));
        QVERIFY(!row.ok());
        QVERIFY(!row.error().isEmpty());
        QVERIFY(!row.next());
    }

    // A reader that is still open does not keep the book from closing.
    void bookClosesAfterReading()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        {
            RowReader row(book.db, QStringLiteral("select * from contas"));
            QVERIFY(row.next());
        }
        book.db.close();
        QVERIFY(!book.db.isOpen());
    }
};

LIVRO_TEST(tst_RowReader)
#include "tst_RowReader.moc"
