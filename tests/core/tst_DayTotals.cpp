#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/EntryStore.h"
#include "core/DayTotals.h"
#include "core/SchemaVersion.h"
#include "core/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct TotalsBook : TestBook
{
    TotalsBook()
    {
        caixa = addAccount(u"CAIXA"_s);
        banco = addAccount(u"BANCO"_s);
    }
    // "in out count" of one day and account, as the book keeps them.
    QString kept(const char* day, qint64 account)
    {
        return scalar(u"select entrada || ' ' || saida || ' ' || entry_count from day_totals "
                      "where data = ? and idconta = ?"_s,
                      {QString::fromLatin1(day), account})
            .toString();
    }
    QStringList differences()
    {
        const auto found = DayTotals::differences(db.database());
        if (!found)
            qFatal("the totals could not be checked: %s", qPrintable(found.reason()));
        return *found;
    }
    QString opening(const QDate& cutoff, qint64 account = 0)
    {
        const auto balance = Balances::openingBalance(db, cutoff, account);
        return balance ? balance->format() : u"erro: "_s + balance.reason();
    }
    qint64 caixa = 0;
    qint64 banco = 0;
};

EntryStore::Entry entry(const QDate& day, const char* account, qint64 in, qint64 out)
{
    return {day,    QTime(10, 0),          QString::fromLatin1(account), QString(),
            u"x"_s, *Money::fromCents(in), *Money::fromCents(out)};
}

// The triggers that keep the totals, as another tool may drop them.
void dropTotalsTriggers(TestBook& book)
{
    for (const char* trigger : {"caixa_totals_insert", "caixa_totals_delete",
                                "caixa_totals_update_old", "caixa_totals_update_new"})
        book.exec(u"drop trigger "_s + QString::fromLatin1(trigger));
}

// The book as the program wrote it before versions were recorded: the same
// tables, without the version, the day totals, the closings and the change log.
void makeVersionZero(TestBook& book)
{
    dropTotalsTriggers(book);
    book.exec(u"drop table day_totals"_s);
    book.exec(u"drop table closings"_s);
    book.exec(u"drop table change_log"_s);
    book.exec(u"drop table schema_version"_s);
}

// Every table, index and trigger of a book, by name.
QStringList schemaOf(TestBook& book)
{
    return book
        .scalar(u"select group_concat(type || ' ' || name, '|') from (select type, name "
                "from sqlite_master where name not like 'sqlite_%' order by type, name)"_s)
        .toString()
        .split(u'|');
}

// The copy kept in the book's backups before an upgrade to this program's
// version (a second one with the suffix "-2").
QString keptCopy(const TestBook& book, const QString& suffix = QString())
{
    return book.dir() + u"/Backups/bd-antes-da-versao-"_s +
           QString::number(SchemaVersion::current()) + suffix + u".mdb"_s;
}

const QDate kDay1(2026, 3, 1);
const QDate kDay2(2026, 3, 2);

} // namespace

// The totals per day and account that opening balances are read from; the
// version a book records, the upgrade of an older book (which first builds
// its totals) and the refusal of a newer one.
class tst_DayTotals : public QObject
{
    Q_OBJECT

private slots:
    // Saves, edits that move an entry to another day and account, deletes,
    // writes by another tool and a rolled-back write: after each, the totals
    // are those of the entries, and the opening balances, account balances
    // and day figures of "saldos" read from them are right.
    void totalsFollowEveryWrite()
    {
        TotalsBook book;
        QVERIFY(Balances::SaveDayBalance(book.db, Money(), kDay1).ok());
        const QString dayFigures = u"select data || ' ' || saldo from saldos"_s;
        EntryStore store(book.db);
        const qint64 a = store.save(0, entry(kDay1, "CAIXA", 10000, 0)).value();
        const qint64 b = store.save(0, entry(kDay1, "CAIXA", 0, 2500)).value();
        QCOMPARE(book.kept("2026-03-01", book.caixa), u"1000000 250000 2"_s);
        QCOMPARE(book.opening(kDay2), u"75,00"_s);
        QCOMPARE(book.strings(dayFigures), items("2026-03-01 750000"));

        QVERIFY(store.save(b, entry(kDay2, "BANCO", 0, 2500)).ok()); // moves day and account
        QCOMPARE(book.kept("2026-03-01", book.caixa), u"1000000 0 1"_s);
        QCOMPARE(book.kept("2026-03-02", book.banco), u"0 250000 1"_s);
        QCOMPARE(book.opening(kDay2), u"100,00"_s);
        QCOMPARE(book.opening(kDay2.addDays(1), book.banco), u"-25,00"_s);

        QVERIFY(store.remove(a).ok());
        QCOMPARE(book.kept("2026-03-01", book.caixa), QString()); // an emptied day goes
        // The day figure of a day that has one moves in the same write; a day
        // without one gets none.
        QCOMPARE(book.strings(dayFigures), items("2026-03-01 0"));
        QCOMPARE(AccountBook(book.db).ConsultaSaldo(book.caixa)->format(), u"0,00"_s);

        // Another tool, writing straight into the table; nulls count as zero,
        // an entry without an account counts under account 0, one without a
        // date in no day but in its account's balance.
        book.exec(u"insert into caixa (idconta, data, entrada, saida) values "
                  "(null, '2026-03-01', 500, null), (1, null, 700, 0)"_s);
        QCOMPARE(book.kept("2026-03-01", 0), u"500 0 1"_s);
        QCOMPARE(AccountBook(book.db).ConsultaSaldo(book.caixa)->units(), qint64(700));
        {
            Transaction undone(book.db.database());
            QVERIFY(undone.begun().ok());
            book.exec(u"update caixa set entrada = 90000000 where idconta is null"_s);
            book.exec(u"delete from caixa where idconta = 2"_s);
        } // rolled back: the totals go back with the entries
        QCOMPARE(book.kept("2026-03-01", 0), u"500 0 1"_s);
        QCOMPARE(book.kept("2026-03-02", book.banco), u"0 250000 1"_s);
        QCOMPARE(book.differences(), QStringList());
    }

    // Totals that went wrong (a kept row changed, then the triggers dropped
    // by another tool, which wrote an entry) are found, day and account, and
    // rebuilt from the entries when the book is opened; then kept again.
    void wrongTotalsAreFoundAndRepairedWhenOpened()
    {
        TotalsBook book;
        QVERIFY(EntryStore(book.db).save(0, entry(kDay1, "CAIXA", 10000, 0)).ok());
        book.exec(u"update day_totals set entrada = entrada + 1"_s);
        dropTotalsTriggers(book);
        book.exec(u"insert into caixa (idconta, data, entrada, saida) values "
                  "(2, '2026-03-02', 30000, 0)"_s);
        const QStringList found = book.differences();
        QCOMPARE(found.size(), 3); // the entries' two rows, and the wrong kept one
        QVERIFY2(found.filter(u"2026-03-02"_s).size() == 1 &&
                     found.filter(u"Totais guardados de 2026-03-01"_s).size() == 1,
                 qPrintable(found.join(u'\n')));
        QCOMPARE(book.opening(kDay2), u"100,00"_s); // one unit off, shown rounded
        QVERIFY(book.db.open(book.bookPath()).ok());
        QCOMPARE(book.differences(), QStringList());
        QCOMPARE(book.kept("2026-03-02", book.banco), u"30000 0 1"_s);
        book.exec(u"delete from caixa where data = '2026-03-01'"_s); // kept again
        QCOMPARE(book.differences(), QStringList());
    }

    // A day's total beyond what the integers hold is refused when read,
    // never misread as a smaller amount.
    void totalTooLargeIsRefused()
    {
        TotalsBook book;
        for (int i = 0; i < 2; ++i)
            book.exec(u"insert into caixa (idconta, data, entrada, saida) values "
                      "(1, '2026-03-01', 9000000000000000000, 0)"_s);
        QVERIFY(book.opening(kDay2).startsWith(u"erro: "_s));
        QCOMPARE(book.opening(kDay1), u"0,00"_s); // the days before it are unaffected
    }

    // An older book opens upgraded: first a copy of it as it was, then its
    // day totals built from its entries, then its version recorded. The new
    // tables are those a new book has. A second opening changes nothing.
    void olderBookIsUpgradedAfterACopy()
    {
        const QStringList newBook = [] {
            TestBook fresh;
            return schemaOf(fresh);
        }();
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-01-10"_s, u"10:00:00"_s, 1, u"a"_s, u"100,00"_s, std::nullopt);
        book.addEntry(u"2026-01-11"_s, u"10:00:00"_s, 1, u"b"_s, std::nullopt, u"30,00"_s);
        makeVersionZero(book);
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());

        QVERIFY(book.db.open(book.bookPath()).ok());
        QCOMPARE(fileBytes(keptCopy(book)), before);
        QCOMPARE(book.strings(u"select version from schema_version"_s),
                 QStringList{QString::number(SchemaVersion::current())});
        QCOMPARE(schemaOf(book), newBook);
        QCOMPARE(Balances::openingBalance(book.db, QDate(2026, 2, 1), 0)->format(), u"70,00"_s);

        book.db.close();
        const QByteArray upgraded = fileBytes(book.bookPath());
        QVERIFY(book.db.open(book.bookPath()).ok());
        book.db.close();
        QCOMPARE(fileBytes(book.bookPath()), upgraded);
        QCOMPARE(filesIn(book.dir() + u"/Backups"_s),
                 QStringList{QFileInfo(keptCopy(book)).fileName()});
    }

    // A step that fails (here a table of the same name that another tool
    // left in the book) undoes all it did: the book stays as it was, at its
    // old version, and is not opened. The copy made before stays.
    void failedUpgradeLeavesTheBookAsItWas()
    {
        TestBook book;
        book.addEntry(u"2026-01-10"_s, u"10:00:00"_s, 1, u"a"_s, u"100,00"_s, std::nullopt);
        makeVersionZero(book);
        book.exec(u"create table day_totals (anotacao text)"_s);
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());

        const Status opened = book.db.open(book.bookPath());
        QVERIFY(!opened.ok() && !book.db.isOpen());
        QVERIFY2(opened.reason().contains(u"precisa ser atualizado"_s) &&
                     opened.reason().contains(QDir::toNativeSeparators(book.bookPath())),
                 qPrintable(opened.reason()));
        QCOMPARE(fileBytes(book.bookPath()), before);
        QVERIFY(QFileInfo::exists(keptCopy(book)));
        // A second try keeps the first copy and makes another beside it: the
        // copy before an upgrade never replaces an earlier one.
        QVERIFY(!book.db.open(book.bookPath()).ok());
        QVERIFY(QFileInfo::exists(keptCopy(book, u"-2"_s)));
    }

    // A book written by a newer program is refused, saying so, and left
    // exactly as it was; nothing is copied.
    void newerBookIsRefused()
    {
        TestBook book;
        book.exec(u"update schema_version set version = ?"_s, {SchemaVersion::current() + 1});
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());
        const Status opened = book.db.open(book.bookPath());
        QVERIFY2(!opened.ok() &&
                     opened.reason().contains(
                         u"este livro foi gravado por uma versão mais nova do programa"_s),
                 qPrintable(opened.reason()));
        QVERIFY(!book.db.isOpen());
        QCOMPARE(fileBytes(book.bookPath()), before);
        QVERIFY(!QFileInfo::exists(book.dir() + u"/Backups"_s));
    }
};

LIVRO_TEST(tst_DayTotals)
#include "tst_DayTotals.moc"
