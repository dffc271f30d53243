#include "TestMain.h"
#include "core/Fields.h"
#include "core/Formats.h"
#include "core/Money.h"
#include "core/Settings.h"

#include <QTest>

#include <limits>

namespace {
constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();
} // namespace

// Amounts, dates, times, colours and field values as the user types and sees
// them, and as the book stores them.
class tst_Values : public QObject
{
    Q_OBJECT

private slots:
    // Typed amounts: comma decimals, dots every three digits, rounding half
    // away from zero at the fifth decimal, and nothing that does not fit.
    void moneyParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("units");
        QTest::newRow("comma decimal") << "12,5" << true << qint64(125000);
        QTest::newRow("grouped") << "1.234.567,89" << true << qint64(12345678900);
        QTest::newRow("signs and blanks") << "  -5 " << true << qint64(-50000);
        QTest::newRow("plus sign") << "+3,10" << true << qint64(31000);
        QTest::newRow("leading comma") << ",5" << true << qint64(5000);
        QTest::newRow("trailing comma") << "7," << true << qint64(70000);
        QTest::newRow("four decimals") << "0,1234" << true << qint64(1234);
        QTest::newRow("fifth rounds up") << "0,00005" << true << qint64(1);
        QTest::newRow("fifth rounds down") << "0,00004" << true << qint64(0);
        QTest::newRow("negative rounds away") << "-0,00005" << true << qint64(-1);
        QTest::newRow("largest") << "922.337.203.685.477,5807" << true << kMax;
        QTest::newRow("one past largest") << "922.337.203.685.477,5808" << false << qint64(0);
        QTest::newRow("far too large") << "99999999999999999999" << false << qint64(0);
        QTest::newRow("rounding overflows") << "922337203685477,58079" << false << qint64(0);
        for (const char* bad : {"", "-", "1/2", "12.5", "1,2,3", "12a", "1 000", "1.23,00"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << false << qint64(0);
    }
    void moneyParse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, units);
        const auto money = Money::parse(text);
        QCOMPARE(money.has_value(), valid);
        if (valid)
            QCOMPARE(money->units(), units);
    }

    // Shown amounts: "#,##0.00", rounded to cents, never "-0,00"; whole cents
    // read back to the same amount.
    void moneyFormat_data()
    {
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0,00";
        QTest::newRow("thousands") << qint64(12345600) << "1.234,56";
        QTest::newRow("exact million") << qint64(10000000000) << "1.000.000,00";
        QTest::newRow("negative") << qint64(-987654321000) << "-98.765.432,10";
        QTest::newRow("half cent rounds up") << qint64(50) << "0,01";
        QTest::newRow("under half a cent") << qint64(49) << "0,00";
        QTest::newRow("negative half cent") << qint64(-50) << "-0,01";
        QTest::newRow("no negative zero") << qint64(-49) << "0,00";
        QTest::newRow("largest") << kMax << "922.337.203.685.477,58";
        QTest::newRow("smallest") << kMin << "-922.337.203.685.477,58";
    }
    void moneyFormat()
    {
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QCOMPARE(Money::fromUnits(units).format(), text);
        if (units % 100 == 0)
            QCOMPARE(Money::parse(text), std::optional<Money>(Money::fromUnits(units)));
    }

    // Sums are exact, and a result that does not fit is refused, never wrapped.
    void moneyArithmetic()
    {
        Money total;
        for (int i = 0; i < 1000; ++i)
            total = *total.plus(*Money::parse(u"0,10"));
        QCOMPARE(total.units(), qint64(1000000));
        QVERIFY(!Money::fromUnits(kMax).plus(Money::fromUnits(1)));
        QVERIFY(!Money::fromUnits(kMin).minus(Money::fromUnits(1)));
        QVERIFY(!Money().minus(Money::fromUnits(kMin)));
        QCOMPARE(Money::fromUnits(kMax).minus(Money::fromUnits(1))->units(), kMax - 1);
        QCOMPARE(Money::fromUnits(100).plus(Money::fromUnits(-300))->units(), qint64(-200));
        QVERIFY(!Money::fromCents(kMax / 10));
    }

    // Stored amounts: integers, or what other tools wrote; null is no amount.
    void moneyFromTheBook()
    {
        QVERIFY(!Money::fromDb(QVariant()));
        QVERIFY(!Money::fromDb(QVariant(QMetaType(QMetaType::LongLong))));
        QCOMPARE(Money::fromDb(qint64(1500000))->units(), qint64(1500000));
        QCOMPARE(Money::fromDb(0.1)->units(), qint64(1000));
        QCOMPARE(Money::fromDb(QStringLiteral(" 250000 "))->units(), qint64(250000));
        QVERIFY(!Money::fromDb(QStringLiteral("abc")));
        QVERIFY(!Money::fromDb(1e300));
        QCOMPARE(formatMoney(std::nullopt), QString());
    }

    // Only real calendar days from 1900 on, with every digit typed.
    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("ordinary") << "05/12/2026" << QDate(2026, 12, 5);
        QTest::newRow("leap day") << "29/02/2024" << QDate(2024, 2, 29);
        for (const char* bad : {"29/02/2026", "31/02/2026", "01/13/2026", "00/01/2026", "__/__/____", "//",
                                "1/12/2026", "05/12/20__", "01/01/1899", "2026-12-05"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QDate();
    }
    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(Formats::parseDate(text).value_or(QDate()), date);
        if (date.isValid())
            QCOMPARE(Formats::date(date), text);
    }

    void parseTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("time");
        QTest::newRow("afternoon") << "14:05" << QTime(14, 5);
        QTest::newRow("midnight") << "00:00" << QTime(0, 0);
        QTest::newRow("last minute") << "23:59" << QTime(23, 59);
        for (const char* bad : {"24:00", "12:60", "12:5_", "__:__"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QTime();
    }
    void parseTime()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);
        QCOMPARE(Formats::parseTime(text).value_or(QTime()), time);
    }

    // The book keeps ISO dates and full times, and reads what older books hold.
    void storedDatesAndTimes()
    {
        QCOMPARE(Formats::dbDate(QDate(2024, 3, 1)), QStringLiteral("2024-03-01"));
        QCOMPARE(Formats::dateFromDb(QStringLiteral("2024-03-01 00:00:00")), QDate(2024, 3, 1));
        QCOMPARE(Formats::dateFromDb(QStringLiteral("01/03/2024")), QDate());
        QCOMPARE(Formats::dateFromDb(QVariant()), QDate());
        QCOMPARE(Formats::dbTime(QTime(8, 5, 7)), QStringLiteral("08:05:07"));
        QCOMPARE(Formats::timeFromDb(QStringLiteral("08:05")), QTime(8, 5));
        QCOMPARE(Formats::timeFromDb(QStringLiteral("1899-12-30 00:00:00")), QTime(0, 0));
        QCOMPARE(Formats::timeFromDb(QVariant()), QTime());
        QCOMPARE(Formats::time(QTime(8, 5, 59)), QStringLiteral("08:05"));
    }

    // Colours are stored with red in the low byte; anything else paints with
    // the fallback, and settings not yet loaded still paint.
    void colours()
    {
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("255"), Qt::black), QColor(255, 0, 0));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("16711680"), Qt::black), QColor(0, 0, 255));
        QCOMPARE(Formats::colorToSetting(QColor(0x12, 0x34, 0x56)), QString::number(0x563412));
        for (const char* bad : {"", "azul", "16777216", "-1"})
            QCOMPARE(Formats::colorFromSetting(QString::fromLatin1(bad), Qt::cyan), QColor(Qt::cyan));
        const SettingsValues unloaded;
        QCOMPARE(unloaded.receivedBackground(), QColor(0, 0, 255));
        QCOMPARE(unloaded.paidBackground(), QColor(255, 0, 0));
        QCOMPARE(unloaded.paidText(), QColor(255, 255, 255));
    }

    // Null and blank fields read as "" and 0; text loses its surrounding blanks.
    void fieldReaders()
    {
        QCOMPARE(FieldText(QVariant()), QString());
        QCOMPARE(FieldText(QVariant(QMetaType(QMetaType::QString))), QString());
        QCOMPARE(FieldText(QStringLiteral("  CAIXA  ")), QStringLiteral("CAIXA"));
        QCOMPARE(FieldText(42), QStringLiteral("42"));
        QCOMPARE(FieldNumber(QVariant()), QVariant(0));
        QCOMPARE(FieldNumber(QStringLiteral("   ")), QVariant(0));
        QCOMPARE(FieldNumber(QStringLiteral(" 12,50 ")), QVariant(QStringLiteral("12,50")));
    }
};

LIVRO_TEST(tst_Values)
#include "tst_Values.moc"
