// What the cash-book layer reads back from a book, on both engines: sums
// exact to the last ten-thousandth whatever their size, the kept totals,
// the report's rows and the users.

#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/ReportRows.h"
#include "book/UserStore.h"
#include "core/DayTotals.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The same amount received on 01/12 and 02/12.
qint64 receivedTwice(TestBook& book, qint64 amount)
{
    const qint64 account = book.addAccount(u"CAIXA"_s);
    for (const char* day : {"2026-12-01", "2026-12-02"})
        book.exec(u"insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                  "values (?, ?, '10:00:00', 'x', ?, 0)"_s,
                  {account, QString::fromLatin1(day), amount});
    return account;
}

} // namespace

class tst_BookFigures : public QObject
{
    Q_OBJECT

private slots:
    // A double holds integers exactly only up to 2^53: sums past it must not
    // be read through one (a server returns sums as numeric); a sum past
    // what the integers hold is refused, never wrapped.
    void sumsPastADoublesPrecisionStayExact()
    {
        TestBook book;
        const qint64 big = (qint64(1) << 53) + 1;
        const qint64 account = receivedTwice(book, big);
        const auto sums = Balances::ofPeriod(book.db, QDate(2026, 12, 1), QDate(2026, 12, 31));
        QVERIFY2(sums.ok(), qPrintable(sums.reason()));
        QCOMPARE(sums->in.toDb(), 2 * big);
        QCOMPARE(Balances::openingBalance(book.db, QDate(2026, 12, 2), account).valueOr({}).toDb(),
                 big);
        QCOMPARE(AccountBook(book.db).ConsultaSaldo(account).valueOr({}).toDb(), 2 * big);
    }
    void aSumTooLargeIsRefusedNotWrapped()
    {
        TestBook book;
        const qint64 account = receivedTwice(book, std::numeric_limits<qint64>::max() - 10);
        QVERIFY(!AccountBook(book.db).ConsultaSaldo(account).ok());
    }

    void totalsThatWereNotKeptAreRebuiltAtOpen()
    {
        TestBook book;
        const qint64 account = book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-12-01"_s, u"09:00:00"_s, account, u"a"_s, u"10,00"_s, std::nullopt);
        book.exec(u"delete from day_totals"_s);
        QVERIFY(DayTotals::ensureKept(book.db.database()).ok());
        QCOMPARE(DayTotals::differences(book.db.database()).valueOr({u"not read"_s}),
                 QStringList());
        QCOMPARE(book.scalar(u"select entrada from day_totals"_s).toLongLong(), 100'000);
    }

    void reportRowsComeInDateTimeAndIdOrder()
    {
        TestBook book;
        const qint64 account = book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-12-02"_s, u"08:00:00"_s, account, u"third"_s, u"1,00"_s, std::nullopt);
        book.addEntry(u"2026-12-01"_s, u"09:00:00"_s, account, u"second"_s, u"1,00"_s,
                      std::nullopt);
        book.addEntry(u"2026-12-01"_s, u"07:00:00"_s, account, u"first"_s, std::nullopt, u"2,50"_s);
        const auto input = ReportInput::read(book.db, {QDate(2026, 12, 1), QDate(2026, 12, 2), 0});
        QVERIFY2(input.ok(), qPrintable(input.reason()));
        QStringList order;
        for (const CashBookEntry& e : input->rows.entries)
            order.append(e.descricao);
        QCOMPARE(order, items("first|second|third"));
        QCOMPARE(input->rows.entries.constFirst().saida->toDb(), 25'000);
        QCOMPARE(input->rows.days.value(QDate(2026, 12, 1)).value_or(Money()).toDb(), -15'000);
    }

    void aUserLogsInWithThePasswordSaved()
    {
        TestBook book;
        UserStore users(book.db);
        const Status saved = users.save(
            {u"MARIA"_s, u"MARIA"_s, UserStore::normalizedPassword(u"segredo"_s), QString(),
             QString(), UserStore::normalizedAnswer(u"azul"_s), QString(), false});
        QVERIFY2(saved.ok(), qPrintable(saved.reason()));
        const auto in = users.logIn(u"MARIA"_s, u"segredo"_s);
        QVERIFY2(in && in->has_value(), qPrintable(in.reason()));
        const auto refused = users.logIn(u"MARIA"_s, u"errada"_s);
        QVERIFY(refused && !refused->has_value());
    }
};

LIVRO_TEST(tst_BookFigures)
#include "tst_BookFigures.moc"
