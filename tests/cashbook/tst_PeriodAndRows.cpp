#include "TestMain.h"
#include "book/EntryRows.h"
#include "cashbook/ActivePeriod.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_PeriodAndRows : public QObject
{
    Q_OBJECT

private slots:
    // The period ends on the day typed and starts that many days before it
    // (the main window's tests cover the refused days); the number of days
    // becomes 1 on leaving its box unless it is a number above 1.
    void periodArithmetic()
    {
        const QDate today(2026, 12, 5);
        const auto a = ActivePeriod::activate(u"05/12/2026"_s, u"99"_s, today);
        QCOMPARE(a.problem, ActivePeriod::Problem::None);
        QCOMPARE(a.start, QDate(2026, 8, 28));
        QCOMPARE(a.end, today);
        QCOMPARE(ActivePeriod::activate(u"05/12/2026"_s, QString(), today).start, today);
        const std::pair<QString, QString> kept[] = {{u""_s, u"1"_s},    {u"0"_s, u"1"_s},
                                                    {u"1"_s, u"1"_s},   {u"2"_s, u"2"_s},
                                                    {u"99"_s, u"99"_s}, {u"x"_s, u"1"_s}};
        for (const auto& [typed, days] : kept)
            QCOMPARE(ActivePeriod::normalizedDays(typed), days);
    }

    // Many rows, with texts of every size (one larger than a storage chunk),
    // and without some texts, come back exactly as stored.
    void rowStorageKeepsEveryText()
    {
        EntryRows rows;
        const auto text = [](int i) {
            return i == 20000 ? QString(3 << 20, u'z') : QString(i % 300, QChar(u'a' + i % 26));
        };
        for (int i = 0; i <= 20000; ++i) {
            const QString descricao = text(i), ndoc = QString::number(i);
            EntryRows::Entry e;
            e.descricao = descricao;
            e.ndoc = i % 3 == 0 ? std::optional<QStringView>(ndoc) : std::nullopt;
            rows.append(e);
        }
        QCOMPARE(rows.size(), qsizetype(20001));
        for (int i = 0; i <= 20000; i += 4) {
            QCOMPARE(rows.descricao(i), QStringView(text(i)));
            QCOMPARE(rows.ndoc(i), QStringView(i % 3 == 0 ? QString::number(i) : QString()));
        }
    }
};

LIVRO_TEST(tst_PeriodAndRows)
#include "tst_PeriodAndRows.moc"
