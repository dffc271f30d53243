#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/Balances.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/EntryReader.h"

#include <QAbstractItemModelTester>
#include <QTest>

#include <limits>

class tst_Balances : public QObject
{
    Q_OBJECT

private slots:
    void sumsBeforeACutOff()
    {
        TestBook book;
        const qint64 a = book.addAccount(QStringLiteral("CAIXA"));
        const qint64 b = book.addAccount(QStringLiteral("BANCO"));
        book.addEntry(QStringLiteral("2024-02-28"), QStringLiteral("08:00:00"), a, QStringLiteral("x"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.addEntry(QStringLiteral("2024-02-29"), QStringLiteral("08:00:00"), b, QStringLiteral("x"), QStringLiteral("0,00"), QStringLiteral("30,00"));
        book.addEntry(QStringLiteral("2024-02-29"), QStringLiteral("09:00:00"), a, QStringLiteral("x"), std::nullopt, QStringLiteral("5,00"));
        book.addEntry(QStringLiteral("2024-03-01"), QStringLiteral("08:00:00"), a, QStringLiteral("x"), QStringLiteral("1.000,00"), std::nullopt);

        auto all = Balances::before(book.db, QDate(2024, 3, 1), 0);
        QVERIFY(all.sums);
        QCOMPARE(all.sums->net()->format(), QStringLiteral("65,00"));
        auto ofA = Balances::before(book.db, QDate(2024, 3, 1), a);
        QCOMPARE(ofA.sums->net()->format(), QStringLiteral("95,00"));
        auto ofB = Balances::before(book.db, QDate(2024, 3, 1), b);
        QCOMPARE(ofB.sums->in.format(), QStringLiteral("0,00"));
        QCOMPARE(ofB.sums->out.format(), QStringLiteral("30,00"));
        // Nothing before the cut-off: zero, not a failure.
        auto none = Balances::before(book.db, QDate(2020, 1, 1), 0);
        QVERIFY(none.sums);
        QVERIFY(none.sums->net()->isZero());

        QCOMPARE(Balances::ofDay(book.db, QDate(2024, 2, 29)).sums->net()->format(), QStringLiteral("-35,00"));
        QCOMPARE(Balances::ofDay(book.db, QDate(2024, 3, 2)).sums->net()->format(), QStringLiteral("0,00"));
        const auto period = Balances::ofPeriod(book.db, QDate(2024, 2, 29), QDate(2024, 3, 1));
        QCOMPARE(period.sums->in.format(), QStringLiteral("1.000,00"));
        QCOMPARE(period.sums->out.format(), QStringLiteral("35,00"));
    }

    void overflowingSumIsAnError()
    {
        TestBook book;
        const qint64 a = book.addAccount(QStringLiteral("CAIXA"));
        for (int i = 0; i < 2; ++i)
            book.exec(QStringLiteral("insert into caixa (idconta, data, hora, descricao, entrada, saida) values (?, '2024-01-01', '08:00:00', 'x', ?, 0)"),
                      {a, std::numeric_limits<qint64>::max() - 10});
        const auto sums = Balances::ofDay(book.db, QDate(2024, 1, 1));
        QVERIFY(!sums.sums);
        QVERIFY(!sums.error.isEmpty());
    }

    void dayBalanceIsWrittenOncePerDay()
    {
        TestBook book;
        const QDate day(2026, 12, 5);
        QVERIFY(Balances::SaveDayBalance(book.db, *Money::parse(u"70,00"), day).ok());
        QVERIFY(Balances::SaveDayBalance(book.db, *Money::parse(u"70,00"), day).ok());
        QVERIFY(Balances::SaveDayBalance(book.db, *Money::parse(u"-30,00"), day).ok());
        QVERIFY(Balances::SaveDayBalance(book.db, Money(), day.addDays(-1)).ok());
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from saldos")).toInt(), 2);
        QCOMPARE(book.scalar(QStringLiteral("select saldo from saldos where data = '2026-12-05'")).toLongLong(), qint64(-300000));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from saldos where data = '2026-12-04'")).toLongLong(), qint64(0));
    }

    void refusedWriteIsReported()
    {
        TestBook book;
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        const Status saved = Balances::SaveDayBalance(book.db, Money(), QDate(2026, 12, 5));
        QVERIFY(!saved.ok());
        QVERIFY(!saved.reason().isEmpty());
    }

    void gridModelRows()
    {
        TestBook book;
        const qint64 a = book.addAccount(QStringLiteral("BANCO D'ÁVILA"));
        book.addEntry(QStringLiteral("2024-03-01"), QStringLiteral("08:00:00"), a, QStringLiteral("Venda"), QStringLiteral("1.234,56"), QStringLiteral("0,00"), QStringLiteral("NF 1"));
        book.addEntry(QStringLiteral("2024-03-01"), QStringLiteral("09:30:45"), 77, QStringLiteral("Órfão"), std::nullopt, std::nullopt);
        book.addEntry(QStringLiteral("2024-03-02"), QStringLiteral("10:00:00"), std::nullopt, QStringLiteral("Estorno"), QStringLiteral("-150,00"), std::nullopt);
        EntryRows rows;
        QCOMPARE(EntryReader::readPeriod(book.db, QDate(2024, 3, 1), QDate(2024, 3, 2), rows).outcome,
                 EntryReader::Outcome::Read);
        QCOMPARE(rows.size(), qsizetype(3));

        EntryGridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const EntryGridModel::Colours colours{Qt::blue, Qt::white, Qt::red, Qt::yellow};
        QVERIFY(model.setEntries(std::move(rows), *Money::parse(u"10,00"), EntryReader::accountNames(book.db), colours));
        QCOMPARE(model.rowCount(), 3);
        const QStringList first{QStringLiteral("1"), QStringLiteral("01/03/2024"), QStringLiteral("08:00"),
                                QStringLiteral("BANCO D'ÁVILA"), QStringLiteral("NF 1"), QStringLiteral("Venda"),
                                QStringLiteral("1.234,56"), QStringLiteral("0,00"), QStringLiteral("1.244,56")};
        for (int c = 0; c < EntryGridModel::ColumnCount; ++c)
            QCOMPARE(model.index(0, c).data().toString(), first.at(c));
        // Seconds are not shown; null amounts: empty in, "0,00" out.
        QCOMPARE(model.cellText(1, EntryGridModel::Hora), QStringLiteral("09:30"));
        QCOMPARE(model.cellText(1, EntryGridModel::Entrada), QString());
        QCOMPARE(model.cellText(1, EntryGridModel::Saida), QStringLiteral("0,00"));
        // No account at all: an empty cell.
        QCOMPARE(model.cellText(2, EntryGridModel::Conta), QString());
        QCOMPARE(model.cellText(2, EntryGridModel::Saldo), QStringLiteral("1.094,56"));
        // Received colours only for a positive amount in.
        QCOMPARE(model.index(0, 3).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
        QCOMPARE(model.index(2, 8).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(model.index(2, 8).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::yellow));
    }

    void runningBalanceThatOverflowsIsRefused()
    {
        EntryRows rows;
        EntryRows::Entry e;
        e.id = 1;
        e.data = QDate(2024, 1, 1);
        e.entrada = Money::fromUnits(std::numeric_limits<qint64>::max() - 5);
        rows.append(e);
        EntryGridModel model;
        QVERIFY(!model.setEntries(std::move(rows), Money::fromUnits(10), {}, {}));
        QCOMPARE(model.rowCount(), 0);
    }

    // Many rows, with texts of every size, come back exactly as stored.
    void rowStorageKeepsEveryText()
    {
        EntryRows rows;
        for (int i = 0; i < 20000; ++i) {
            EntryRows::Entry e;
            e.id = i;
            const QString descricao(i % 300, QChar(u'a' + i % 26));
            const QString ndoc = QString::number(i);
            e.descricao = descricao;
            if (i % 3 == 0)
                e.ndoc = ndoc;
            rows.append(e);
        }
        EntryRows::Entry huge;
        huge.id = -1;
        const QString longText(3 << 20, u'z'); // larger than a text chunk
        huge.descricao = longText;
        rows.append(huge);
        QCOMPARE(rows.size(), qsizetype(20001));
        for (int i = 0; i < 20000; i += 7) {
            QCOMPARE(rows.descricao(i).toString(), QString(i % 300, QChar(u'a' + i % 26)));
            QCOMPARE(rows.ndoc(i).toString(), i % 3 == 0 ? QString::number(i) : QString());
        }
        QCOMPARE(rows.descricao(20000).size(), qsizetype(3 << 20));
        QCOMPARE(rows.id(20000), qint64(-1));
    }
};

LIVRO_TEST(tst_Balances)
#include "tst_Balances.moc"
