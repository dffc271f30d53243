// Writing entries through the cash-book layer, on a file book and (run
// again by CTest) on a server book. Balances and day totals after every
// kind of write are checked by the day totals' own test on a file and by
// the several-desks test on a server.

#include "TestBook.h"
#include "TestMain.h"
#include "book/Balances.h"
#include "book/EntryStore.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

EntryStore::Entry entry(const QString& description, qint64 in)
{
    return {QDate(2026, 12, 5), QTime(10, 30),        u"CAIXA"_s, QString(),
            description,        Money::fromUnits(in), Money()};
}

} // namespace

class tst_EntryWrites : public QObject
{
    Q_OBJECT

private slots:
    // An edit of an entry another desk changed after this form loaded it is
    // not written and gives the current values; of an entry another desk
    // deleted, it fails and says so.
    void anEditOfAChangedOrDeletedEntryIsRefused()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        EntryStore store(book.db);
        const auto changed = store.save(0, entry(u"venda"_s, 100));
        const auto deleted = store.save(0, entry(u"troco"_s, 100));
        QVERIFY(changed && deleted);
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

    // The day's figure of "saldos" is one row however often it is saved, and
    // it moves with the day's entries.
    void theDayFigureMovesWithTheDaysEntries()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        const QDate day(2026, 12, 5);
        QVERIFY(Balances::SaveDayBalance(book.db, Money::fromUnits(5'000), day).ok());
        QVERIFY(Balances::SaveDayBalance(book.db, Money::fromUnits(7'000), day).ok());
        QVERIFY(EntryStore(book.db).save(0, entry(u"venda"_s, 300)).ok());
        QCOMPARE(book.strings(u"select saldo from saldos where data = '2026-12-05'"_s),
                 items("7300"));
    }
};

LIVRO_TEST(tst_EntryWrites)
#include "tst_EntryWrites.moc"
