// Writing entries through the cash-book layer, on a file book and (run
// again by CTest) on a server book: the same cases, the same figures.

#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/EntryStore.h"
#include "core/DayTotals.h"

#include <QTest>

namespace {

EntryStore::Entry entry(const QString& account, const QString& description, qint64 in,
                        qint64 out = 0, const QDate& day = QDate(2026, 12, 5))
{
    return {day,
            QTime(10, 30),
            account,
            QString(),
            description,
            Money::fromUnits(in),
            Money::fromUnits(out)};
}

} // namespace

class tst_EntryWrites : public QObject
{
    Q_OBJECT

private:
    qint64 storedBalance(TestBook& book, qint64 account)
    {
        return book.scalar(QStringLiteral("select saldo from contas where id = ?"), {account})
            .toLongLong();
    }
    void checkTotalsAgree(TestBook& book)
    {
        const auto differences = DayTotals::differences(book.db.database());
        QVERIFY2(differences.ok(), qPrintable(differences.reason()));
        QCOMPARE(differences->join(u'\n'), QString());
    }

private slots:
    void newEntriesGetNewIdsAndMoveTheBalance()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        const auto first =
            store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("venda"), 1'000'000));
        QVERIFY2(first.ok(), qPrintable(first.reason()));
        const auto second =
            store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("troco"), 0, 250'000));
        QVERIFY2(second.ok(), qPrintable(second.reason()));
        QVERIFY(*second > *first);
        QCOMPARE(book.scalar(QStringLiteral("select descricao from caixa where id = ?"), {*second})
                     .toString(),
                 QStringLiteral("troco"));
        QCOMPARE(storedBalance(book, account), 750'000);
        checkTotalsAgree(book);
    }

    void anEditThatMovesAnEntryUpdatesBothAccounts()
    {
        TestBook book;
        const qint64 a = book.addAccount(QStringLiteral("A"));
        const qint64 b = book.addAccount(QStringLiteral("B"));
        EntryStore store(book.db);
        const auto id = store.save(0, entry(QStringLiteral("A"), QStringLiteral("venda"), 50'000));
        QVERIFY(id.ok());
        const auto moved =
            store.save(*id, entry(QStringLiteral("B"), QStringLiteral("venda"), 70'000));
        QVERIFY2(moved.ok(), qPrintable(moved.reason()));
        QCOMPARE(storedBalance(book, a), 0);
        QCOMPARE(storedBalance(book, b), 70'000);
        checkTotalsAgree(book);
    }

    void aDeletedEntryLeavesNoTrace()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        const auto kept = store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("a"), 100));
        const auto gone = store.save(
            0, entry(QStringLiteral("CAIXA"), QStringLiteral("b"), 900, 0, QDate(2026, 12, 6)));
        QVERIFY(kept.ok() && gone.ok());
        const Status removed = store.remove(*gone);
        QVERIFY2(removed.ok(), qPrintable(removed.reason()));
        QCOMPARE(storedBalance(book, account), 100);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from day_totals where data = ?"),
                             {QStringLiteral("2026-12-06")})
                     .toInt(),
                 0);
        checkTotalsAgree(book);
    }

    void aStaleEditIsRefusedWithTheCurrentValues()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        const auto id = store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("venda"), 100));
        QVERIFY(id.ok());
        const auto loaded = store.load(*id);
        QVERIFY(loaded.ok());
        // Another desk changes the entry after this form loaded it.
        book.exec(QStringLiteral("update caixa set descricao = ? where id = ?"),
                  {QStringLiteral("mudado no outro caixa"), *id});
        const auto edit =
            store.saveEdit(*loaded, entry(QStringLiteral("CAIXA"), QStringLiteral("meu"), 200));
        QVERIFY2(edit.ok(), qPrintable(edit.reason()));
        QVERIFY(!edit->saved);
        QCOMPARE(edit->current.descricao, QStringLiteral("mudado no outro caixa"));
        QCOMPARE(book.scalar(QStringLiteral("select entrada from caixa where id = ?"), {*id})
                     .toLongLong(),
                 100);
    }

    void anEditOfADeletedEntryFails()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        const auto id = store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("venda"), 100));
        const auto loaded = store.load(*id);
        QVERIFY(loaded.ok());
        book.exec(QStringLiteral("delete from caixa where id = ?"), {*id});
        const auto edit =
            store.saveEdit(*loaded, entry(QStringLiteral("CAIXA"), QStringLiteral("meu"), 200));
        QVERIFY(!edit.ok());
        QVERIFY(edit.reason().contains(QStringLiteral("não existe mais")));
    }

    void theDayFigureMovesWithTheDaysEntries()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        const QDate day(2026, 12, 5);
        QVERIFY(Balances::SaveDayBalance(book.db, Money::fromUnits(5'000), day).ok());
        QVERIFY(Balances::SaveDayBalance(book.db, Money::fromUnits(7'000), day).ok());
        EntryStore store(book.db);
        QVERIFY(store.save(0, entry(QStringLiteral("CAIXA"), QStringLiteral("venda"), 300)).ok());
        QCOMPARE(book.strings(QStringLiteral("select saldo from saldos where data = ?"),
                              {QStringLiteral("2026-12-05")}),
                 QStringList{QStringLiteral("7300")});
    }
};

LIVRO_TEST(tst_EntryWrites)
#include "tst_EntryWrites.moc"
