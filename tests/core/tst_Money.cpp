#include "TestMain.h"
#include "core/Money.h"

#include <QTest>

#include <limits>

class tst_Money : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("units");
        QTest::newRow("comma decimal") << "12,5" << true << qint64(125000);
        QTest::newRow("grouped") << "1.234,56" << true << qint64(12345600);
        QTest::newRow("millions") << "1.234.567,89" << true << qint64(12345678900);
        QTest::newRow("whole") << "10" << true << qint64(100000);
        QTest::newRow("negative") << "-5" << true << qint64(-50000);
        QTest::newRow("plus sign") << "+3,10" << true << qint64(31000);
        QTest::newRow("blanks around") << "  0,00 " << true << qint64(0);
        QTest::newRow("leading comma") << ",5" << true << qint64(5000);
        QTest::newRow("trailing comma") << "7," << true << qint64(70000);
        QTest::newRow("four decimals") << "0,1234" << true << qint64(1234);
        QTest::newRow("fifth decimal rounds up") << "0,00005" << true << qint64(1);
        QTest::newRow("fifth decimal rounds down") << "0,00004" << true << qint64(0);
        QTest::newRow("negative rounds away") << "-0,00005" << true << qint64(-1);
        QTest::newRow("lone minus") << "-" << false << qint64(0);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("fraction slash") << "1/2" << false << qint64(0);
        QTest::newRow("dot as decimal") << "12.5" << false << qint64(0);
        QTest::newRow("two commas") << "1,2,3" << false << qint64(0);
        QTest::newRow("letters") << "12a" << false << qint64(0);
        QTest::newRow("inner blank") << "1 000" << false << qint64(0);
        QTest::newRow("bad grouping") << "1.23,00" << false << qint64(0);
        QTest::newRow("largest") << "922.337.203.685.477,5807" << true << std::numeric_limits<qint64>::max();
        QTest::newRow("too large") << "922.337.203.685.477,5808" << false << qint64(0);
        QTest::newRow("far too large") << "99999999999999999999" << false << qint64(0);
        QTest::newRow("rounding overflows") << "922337203685477,58079" << false << qint64(0);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, units);
        const auto money = Money::parse(text);
        QCOMPARE(money.has_value(), valid);
        if (valid)
            QCOMPARE(money->units(), units);
    }

    void format_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0,00";
        QTest::newRow("thousands") << qint64(12345600) << "1.234,56";
        QTest::newRow("negative") << qint64(-300000) << "-30,00";
        QTest::newRow("ten cents") << qint64(1000) << "0,10";
        QTest::newRow("half cent rounds up") << qint64(50) << "0,01";
        QTest::newRow("under half a cent") << qint64(49) << "0,00";
        QTest::newRow("negative half cent") << qint64(-50) << "-0,01";
        QTest::newRow("no negative zero") << qint64(-49) << "0,00";
        QTest::newRow("exact million") << qint64(10000000000) << "1.000.000,00";
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "922.337.203.685.477,58";
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << "-922.337.203.685.477,58";
    }
    void format()
    {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QCOMPARE(Money::fromUnits(units).format(), text);
    }

    void formattedTextParsesBack()
    {
        for (qint64 cents : {qint64(0), qint64(1), qint64(99), qint64(123456), qint64(-987654321), qint64(100000000000)}) {
            const Money m = *Money::fromCents(cents);
            QCOMPARE(Money::parse(m.format()), std::optional<Money>(m));
        }
    }

    void arithmeticRefusesOverflow()
    {
        const Money max = Money::fromUnits(std::numeric_limits<qint64>::max());
        const Money min = Money::fromUnits(std::numeric_limits<qint64>::min());
        const Money one = Money::fromUnits(1);
        QVERIFY(!max.plus(one));
        QVERIFY(!min.minus(one));
        QVERIFY(!Money().minus(min));
        QCOMPARE(max.minus(one)->units(), std::numeric_limits<qint64>::max() - 1);
        QCOMPARE(Money::fromUnits(100).plus(Money::fromUnits(-300))->units(), qint64(-200));
        QVERIFY(!Money::fromCents(std::numeric_limits<qint64>::max() / 10));
    }

    // Sums of many small amounts stay exact, unlike binary floating point.
    void sumsAreExact()
    {
        Money total;
        for (int i = 0; i < 1000; ++i)
            total = *total.plus(*Money::parse(u"0,10"));
        QCOMPARE(total.format(), QStringLiteral("100,00"));
        QCOMPARE(total.units(), qint64(1000000));
    }

    void databaseValues()
    {
        QVERIFY(!Money::fromDb(QVariant()));
        QVERIFY(!Money::fromDb(QVariant(QMetaType(QMetaType::LongLong))));
        QCOMPARE(Money::fromDb(QVariant(qint64(1500000)))->format(), QStringLiteral("150,00"));
        QCOMPARE(Money::fromDb(QVariant(0.1))->units(), qint64(1000));
        QCOMPARE(Money::fromDb(QVariant(QStringLiteral(" 250000 ")))->units(), qint64(250000));
        QVERIFY(!Money::fromDb(QVariant(QStringLiteral("abc"))));
        QVERIFY(!Money::fromDb(QVariant(1e300)));
        QCOMPARE(formatMoney(std::nullopt), QString());
    }
};

LIVRO_TEST(tst_Money)
#include "tst_Money.moc"
