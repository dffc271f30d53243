#include "TestMain.h"
#include "cashbook/ActivePeriod.h"

#include <QTest>

using ActivePeriod::Problem;

class tst_Period : public QObject
{
    Q_OBJECT

private slots:
    void activate_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("days");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        const QDate today(2026, 12, 5);
        QTest::newRow("today, one day") << "05/12/2026" << "1" << int(Problem::None) << today.addDays(-1) << today;
        QTest::newRow("largest count") << "05/12/2026" << "99" << int(Problem::None) << today.addDays(-99) << today;
        QTest::newRow("empty count is 0") << "05/12/2026" << "" << int(Problem::None) << today << today;
        QTest::newRow("a past day") << "29/02/2024" << "1" << int(Problem::None) << QDate(2024, 2, 28) << QDate(2024, 2, 29);
        QTest::newRow("across the year") << "02/01/2026" << "5" << int(Problem::None) << QDate(2025, 12, 28) << QDate(2026, 1, 2);
        QTest::newRow("tomorrow") << "06/12/2026" << "1" << int(Problem::FutureDate) << QDate() << QDate();
        QTest::newRow("empty box") << "//" << "1" << int(Problem::InvalidDate) << QDate() << QDate();
        QTest::newRow("31 February") << "31/02/2026" << "1" << int(Problem::InvalidDate) << QDate() << QDate();
    }
    void activate()
    {
        QFETCH(QString, day);
        QFETCH(QString, days);
        QFETCH(int, problem);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        const auto a = ActivePeriod::activate(day, days, QDate(2026, 12, 5));
        QCOMPARE(int(a.problem), problem);
        QCOMPARE(a.start, start);
        QCOMPARE(a.end, end);
    }

    void daysAfterLeavingTheBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("empty") << "" << "1";
        QTest::newRow("zero") << "0" << "1";
        QTest::newRow("one") << "1" << "1";
        QTest::newRow("two") << "2" << "2";
        QTest::newRow("ninety-nine") << "99" << "99";
        QTest::newRow("not a number") << "x" << "1";
    }
    void daysAfterLeavingTheBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QCOMPARE(ActivePeriod::normalizedDays(typed), kept);
    }

    void captions()
    {
        QCOMPARE(ActivePeriod::dayCaption(QDate(2026, 12, 5)), QStringLiteral("CAIXA ATIVO : 05/12/2026"));
        QCOMPARE(ActivePeriod::periodCaption(QDate(2026, 12, 4), QDate(2026, 12, 5)),
                 QStringLiteral("CAIXA ATIVO : 04/12/2026 até 05/12/2026"));
    }
};

LIVRO_TEST(tst_Period)
#include "tst_Period.moc"
