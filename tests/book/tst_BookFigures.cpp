// The cash-book layer on both engines: sums exact to the last
// ten-thousandth whatever their size, the kept totals, the users, edits refused when another desk
// got there first, and the day figure. Balances and day totals after every kind of write are
// checked by the day totals' own test on a file and by the several-desks test on a server.

#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/EntryStore.h"
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

EntryStore::Entry entry(const QString& description, qint64 in)
{
    return {QDate(2026, 12, 5), QTime(10, 30),        u"CAIXA"_s, QString(),
            description,        Money::fromUnits(in), Money()};
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
        TestBook tooLarge;
        const qint64 huge = receivedTwice(tooLarge, std::numeric_limits<qint64>::max() - 10);
        QVERIFY(!AccountBook(tooLarge.db).ConsultaSaldo(huge).ok());
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

    // An edit of an entry another desk changed after this form loaded it is
    // not written and gives the current values; of an entry another desk
    // deleted, it fails and says so.
    void staleEditsAndTheDayFigure()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        // The day's figure of "saldos" is one row however often it is saved,
        // and it moves with the day's entries.
        for (const qint64 units : {5'000, 7'000})
            QVERIFY(Balances::SaveDayBalance(book.db, Money::fromUnits(units), QDate(2026, 12, 5)));
        EntryStore store(book.db);
        const auto changed = store.save(0, entry(u"venda"_s, 100));
        const auto deleted = store.save(0, entry(u"troco"_s, 100));
        QVERIFY(changed && deleted);
        QCOMPARE(book.strings(u"select saldo from saldos where data = '2026-12-05'"_s),
                 items("7200"));
        const auto loadedChanged = store.load(*changed);
        const auto loadedDeleted = store.load(*deleted);
        QVERIFY(loadedChanged && loadedDeleted);
        book.exec(u"update caixa set descricao = 'mudado no outro caixa' where id = ?"_s,
                  {*changed});
        book.exec(u"delete from caixa where id = ?"_s, {*deleted});

        const auto stale = store.saveEdit(*loadedChanged, entry(u"meu"_s, 200));
        QVERIFY2(stale.ok(), qPrintable(stale.reason()));
        QVERIFY(!stale->saved);
        QCOMPARE(stale->current.descricao, u"mudado no outro caixa"_s);
        QCOMPARE(book.strings(u"select entrada from caixa"_s), items("100"));
        const auto gone = store.saveEdit(*loadedDeleted, entry(u"meu"_s, 200));
        QVERIFY(!gone.ok());
        VERIFY_CONTAINS(gone.reason(), u"não existe mais"_s);
    }
};

LIVRO_TEST(tst_BookFigures)
#include "tst_BookFigures.moc"
