#include "SearchBook.h"
#include "TestMain.h"

#include "app/Startup.h"
#include "book/AccountBook.h"
#include "book/EntryStore.h"

#include <QSqlRecord>

#include <limits>

namespace {

// A book of more entries than are indexed without a progress window, and
// one entry to look for among them; the columns named are those every
// book has had.
qint64 addManyEntries(TestBook& book)
{
    const qint64 account = book.addAccount(u"CAIXA"_s);
    book.exec(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
              "insert into caixa (idconta, data, hora, descricao, entrada, saida) "
              "select ?, date('2024-01-01', '+' || (i % 900) || ' days'), '08:00:00', "
              "'Venda ' || i, 10000, 0 from n"_s,
              {account});
    book.exec(u"insert into caixa (idconta, data, hora, descricao, entrada, saida) "
              "values (?, '2026-12-05', '09:00:00', 'Água de coco', 30000, 0)"_s,
              {account});
    return 20001;
}

qint64 searchObjects(TestBook& book)
{
    return book
        .scalar(u"select count(*) from sqlite_master where name like '%busca%' or "
                "name in ('caixa_entrada', 'caixa_saida')"_s)
        .toLongLong();
}

} // namespace

class tst_SearchIndex : public QObject
{
    Q_OBJECT

private slots:
    // The key the book computes for a row is the key the search computes for
    // its day, minute and id, so a range of days reads exactly those days;
    // a day that is not a date counts as the first day.
    void keysOfTheBookAndOfTheSearchAgree()
    {
        SearchBook book;
        const QList<std::tuple<qint64, QString, QString, QDate, int>> rows{
            {1001, u"2026-12-05"_s, u"14:03:09"_s, QDate(2026, 12, 5), 14 * 60 + 3},
            {1002, u"2026-12-05 00:00:00"_s, u"07:05"_s, QDate(2026, 12, 5), 7 * 60 + 5},
            {1003, u"1900-01-01"_s, u"00:00:00"_s, QDate(1900, 1, 1), 0},
            {SearchIndex::kIdLimit - 1, u"9999-12-31"_s, u"23:59:59"_s, QDate(9999, 12, 31), 1439},
            {1005, u"ontem"_s, u"meio-dia"_s, QDate(), 0},
        };
        for (const auto& [id, data, hora, day, minute] : rows) {
            book.exec(u"insert into caixa (id, data, hora, descricao) values (?, ?, ?, 'x')"_s,
                      {id, data, hora});
            const QVariant key = book.scalar(
                u"select "_s + SearchIndex::keySql(u"c"_s) + u" from caixa c where id = ?"_s, {id});
            QCOMPARE(key.toLongLong(), SearchIndex::key(day, minute, id));
            QCOMPARE(SearchIndex::idOfKey(key.toLongLong()), id);
        }
        const QDate day(2026, 12, 5);
        QVERIFY(SearchIndex::key(day, 1439, SearchIndex::kIdLimit - 1) <
                SearchIndex::firstKeyOf(day.addDays(1)));
        QVERIFY(SearchIndex::key(QDate(9999, 12, 31), 1439, SearchIndex::kIdLimit - 1) > 0);
        QVERIFY(book.indexIsRight());
    }

    // Saving, editing (words, account, day) and deleting through the
    // cash-book layer, renaming an account, and an account appearing for an
    // entry that had none or going away: the index follows each write, and
    // a write that fails leaves it as it was.
    void keptInStepWithTheEntries()
    {
        SearchBook book;
        EntryStore store(book.db);
        const auto id = store.save(0, {QDate(2026, 12, 5), QTime(15, 0), u"CAIXA"_s, u"NF 555"_s,
                                       u"Gelo para a festa"_s, reais("12"), Money()});
        QVERIFY(id);
        QCOMPARE(book.found(u"gelo festa"_s) + book.found(u"555"_s),
                 u"Gelo para a festa"_s + u"Gelo para a festa"_s);

        QVERIFY(store.save(*id, {QDate(2026, 1, 2), QTime(8, 0), u"FORNECEDORES"_s, u"NF 556"_s,
                                 u"Carvão"_s, reais("12"), Money()}));
        QCOMPARE(book.found(u"gelo"_s) + book.found(u"555"_s), QString());
        QCOMPARE(book.found(u"carvao fornecedores 556"_s), u"Carvão"_s);
        QCOMPARE(book.found({u"carvao"_s, QDate(2026, 1, 2), QDate(2026, 1, 2), {}, {}}),
                 u"Carvão"_s);
        QCOMPARE(book.found({u"carvao"_s, QDate(2026, 12, 5), {}, {}, {}}), QString());

        const auto renamed = AccountBook(book.db).rename(book.fornecedores, u"distribuidora"_s);
        QVERIFY(renamed && *renamed == AccountBook::Outcome::Done);
        QCOMPARE(book.found(u"fornecedores"_s), QString());
        QCOMPARE(book.found(u"distribuidora"_s), u"ÁGUA MINERAL|Carvão|Luz e água"_s);

        QVERIFY(store.remove(*id));
        QCOMPARE(book.found(u"carvao"_s), QString());

        book.addEntry(u"2026-12-01"_s, u"08:00:00"_s, 99, u"Sem dono"_s, u"1,00"_s, u"0,00"_s);
        book.exec(u"insert into contas (id, descricao, saldo) values (99, 'ACHADOS', 0)"_s);
        QCOMPARE(book.found(u"achados"_s), u"Sem dono"_s);
        book.exec(u"delete from contas where id = 99"_s);
        QCOMPARE(book.found(u"achados"_s) + book.found(u"dono"_s), u"Sem dono"_s);
        // A write that fails after its entry reached the index (here the
        // account's balance no longer fits) is rolled back with its index rows.
        book.exec(u"insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                  "values (?, '2026-01-01', '08:00:00', 'Enorme', ?, 0)"_s,
                  {book.caixa, std::numeric_limits<qint64>::max() - 1000});
        QVERIFY(!store.save(0, {QDate(2026, 12, 5), QTime(15, 0), u"CAIXA"_s, QString(),
                                u"Picolé"_s, reais("10"), Money()}));
        QVERIFY(!store.save(book.venda, {QDate(2026, 12, 5), QTime(10, 0), u"CAIXA"_s, QString(),
                                         u"Trocado"_s, reais("50"), Money()}));
        QVERIFY(!store.remove(book.acao));
        QCOMPARE(book.found(u"picole"_s) + book.found(u"trocado"_s), QString());
        QCOMPARE(book.found(u"venda"_s) + u'|' + book.found(u"acao"_s),
                 u"Venda balcão|Ação social"_s);
        QVERIFY(book.indexIsRight());
    }

    // A book without the index (and, as older books, without the document
    // number column, which it gets first) gets it at start-up, with a
    // progress window counting its entries. Cancelled, the build leaves the
    // book as it was and says the search waits for the next start, which
    // builds it; the start after that has nothing to do, unless the index
    // was damaged (a trigger gone): then it is built afresh.
    void builtOnceForABookThatLacksIt()
    {
        TestBook book;
        book.exec(u"alter table caixa drop column ndoc"_s);
        const qint64 entries = addManyEntries(book);
        book.dialogs.cancelProgressDuring = u"Preparando"_s;
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QCOMPARE(book.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& shown = book.dialogs.last();
        QCOMPARE(std::pair(shown.icon, shown.title),
                 std::pair(Dialogs::Icon::Exclamation, u"Atenção"_s));
        VERIFY_CONTAINS(shown.text, u"cancelada"_s);
        VERIFY_CONTAINS(shown.text, u"na próxima vez que o programa for aberto"_s);
        QCOMPARE(searchObjects(book), 0);
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toLongLong(), entries);

        book.dialogs.cancelProgressDuring.clear();
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.progressShown.size(), 2);
        const FakeDialogs::ProgressShown& progress = book.dialogs.progressShown.last();
        VERIFY_CONTAINS(progress.labels.first(), u"Preparando a busca de lançamentos"_s);
        QCOMPARE(std::pair(progress.maximum, progress.values.last()), std::pair(entries, entries));
        QVERIFY(progress.values.size() > 1);
        QVERIFY(book.db.database().record(u"caixa"_s).contains(u"ndoc"_s));
        QCOMPARE(foundIn(book.db, u"agua coco"_s), u"Água de coco"_s);
        QVERIFY(SearchIndex::check(book.db));

        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QCOMPARE(book.dialogs.progressShown.size(), 2);
        book.exec(u"drop trigger caixa_busca_ai"_s);
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QCOMPARE(book.dialogs.progressShown.size(), 3);
        QCOMPARE(searchObjects(book), 14);
        book.addEntry(u"2026-12-05"_s, u"09:00:00"_s, 1, u"Café"_s, u"3,00"_s, u"0,00"_s);
        QVERIFY(SearchIndex::check(book.db));
        QCOMPARE(foundIn(book.db, u"cafe"_s), u"Café"_s);
    }
};

LIVRO_TEST(tst_SearchIndex)
#include "tst_SearchIndex.moc"
