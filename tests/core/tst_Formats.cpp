#include "TestMain.h"
#include "core/Fields.h"
#include "core/Formats.h"

#include <QTest>

class tst_Formats : public QObject
{
    Q_OBJECT

private slots:
    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("ordinary") << "05/12/2026" << QDate(2026, 12, 5);
        QTest::newRow("leap day") << "29/02/2024" << QDate(2024, 2, 29);
        QTest::newRow("no leap day") << "29/02/2026" << QDate();
        QTest::newRow("31 February") << "31/02/2026" << QDate();
        QTest::newRow("month 13") << "01/13/2026" << QDate();
        QTest::newRow("day 0") << "00/01/2026" << QDate();
        QTest::newRow("empty mask") << "__/__/____" << QDate();
        QTest::newRow("mask separators only") << "//" << QDate();
        QTest::newRow("missing digit") << "1/12/2026" << QDate();
        QTest::newRow("partly typed") << "05/12/20__" << QDate();
        QTest::newRow("year before 1900") << "01/01/1899" << QDate();
        QTest::newRow("ISO order") << "2026-12-05" << QDate();
    }
    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        const auto parsed = Formats::parseDate(text);
        QCOMPARE(parsed.value_or(QDate()), date);
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
        QTest::newRow("hour 24") << "24:00" << QTime();
        QTest::newRow("minute 60") << "12:60" << QTime();
        QTest::newRow("missing digit") << "12:5_" << QTime();
        QTest::newRow("empty mask") << "__:__" << QTime();
    }
    void parseTime()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);
        QCOMPARE(Formats::parseTime(text).value_or(QTime()), time);
    }

    void storageRoundTrip()
    {
        const QDate d(2024, 3, 1);
        QCOMPARE(Formats::dbDate(d), QStringLiteral("2024-03-01"));
        QCOMPARE(Formats::dateFromDb(Formats::dbDate(d)), d);
        QCOMPARE(Formats::dateFromDb(QStringLiteral("2024-03-01 00:00:00")), d);
        QCOMPARE(Formats::dateFromDb(QVariant()), QDate());
        QCOMPARE(Formats::dateFromDb(QStringLiteral("01/03/2024")), QDate());

        QCOMPARE(Formats::dbTime(QTime(8, 5, 7)), QStringLiteral("08:05:07"));
        QCOMPARE(Formats::timeFromDb(QStringLiteral("08:05:07")), QTime(8, 5, 7));
        QCOMPARE(Formats::timeFromDb(QStringLiteral("08:05")), QTime(8, 5));
        QCOMPARE(Formats::timeFromDb(QStringLiteral("1899-12-30 00:00:00")), QTime(0, 0));
        QCOMPARE(Formats::timeFromDb(QVariant()), QTime());
        QCOMPARE(Formats::time(QTime(8, 5, 59)), QStringLiteral("08:05"));
    }

    void colours()
    {
        // Red is the low byte.
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("255"), Qt::black), QColor(255, 0, 0));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("16711680"), Qt::black), QColor(0, 0, 255));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("65280"), Qt::black), QColor(0, 255, 0));
        QCOMPARE(Formats::colorToSetting(QColor(0, 0, 255)), QStringLiteral("16711680"));
        QCOMPARE(Formats::colorToSetting(QColor(0x12, 0x34, 0x56)), QString::number(0x563412));
        QCOMPARE(Formats::colorFromSetting(QString(), Qt::cyan), QColor(Qt::cyan));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("azul"), Qt::cyan), QColor(Qt::cyan));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("16777216"), Qt::cyan), QColor(Qt::cyan));
        QCOMPARE(Formats::colorFromSetting(QStringLiteral("-1"), Qt::cyan), QColor(Qt::cyan));
    }

    void fieldReaders()
    {
        QCOMPARE(FieldText(QVariant()), QString());
        QCOMPARE(FieldText(QVariant(QMetaType(QMetaType::QString))), QString());
        QCOMPARE(FieldText(QStringLiteral("  CAIXA  ")), QStringLiteral("CAIXA"));
        QCOMPARE(FieldText(QVariant(42)), QStringLiteral("42"));

        QCOMPARE(FieldNumber(QVariant()), QVariant(0));
        QCOMPARE(FieldNumber(QStringLiteral("")), QVariant(0));
        QCOMPARE(FieldNumber(QStringLiteral("   ")), QVariant(0));
        QCOMPARE(FieldNumber(QStringLiteral(" 12,50 ")), QVariant(QStringLiteral("12,50")));
    }
};

LIVRO_TEST(tst_Formats)
#include "tst_Formats.moc"
