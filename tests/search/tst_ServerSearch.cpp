#include "SearchBook.h"
#include "TestMain.h"
#include "TestServer.h"

#include "core/SearchIndex.h"
#include "core/ServerSearchIndex.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QRegularExpression>

namespace {

// Runs statements as the test server's superuser, in `database`.
void administer(const QString& database, const QStringList& statements)
{
    auto address = ServerAddress::parse(TestServer::url());
    QVERIFY(address);
    address->database = database;
    const QString name = QStringLiteral("search-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        address->applyTo(db);
        QVERIFY2(db.open(), qPrintable(Sql::reasonOf(db)));
        for (const QString& sql : statements) {
            const Status done = Sql::exec(db, sql);
            QVERIFY2(done, qPrintable(sql + u": "_s + done.reason()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The searches of the file book's cases whose rows must not depend on the
// indexes: accents, capitals, several words, an account's name, document
// numbers, an amount with a word.
QStringList someSearches(SearchBook& book)
{
    QStringList found;
    for (const QString& words : {u"agua"_s, u"ÁGUA mineral"_s, u"acao"_s, u"fornecedores agua"_s,
                                 u"avila"_s, u"neral"_s, u"nf 12"_s, u"NF-21"_s, u"12345"_s})
        found.append(words + u": "_s + book.found(words));
    found.append(u"30,00 agua: "_s + book.found({u"agua"_s, {}, {}, {}, reais("30,00")}));
    return found;
}

} // namespace

// The search's indexes on a server book: built behind a progress window or
// left to an administrator, kept by every write, and a search that finds
// the same without them. That the searches use them, on new and on
// upgraded books, is measured by bench_search (--explain, --upgrade).
class tst_ServerSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("the server book's indexes: run on the test server (tst_search_server)");
    }

    // Without the folded texts and their index (a server that did not allow
    // the extensions) the search folds the texts as it reads them, and finds
    // the same entries in the same order, those written afterwards too. Once
    // the administrator adds the extensions, a large book gets them at the
    // opening behind a progress window, once, and finds the same again; the
    // folded texts then follow every write.
    void searchWithoutTheIndexAndOnceBuilt()
    {
        SearchBook book;
        const QStringList indexed = someSearches(book);
        book.exec(u"drop index caixa_busca_trgm"_s);
        book.exec(u"alter table caixa drop column busca"_s);
        QCOMPARE(ServerSearchIndex::hasFoldedColumn(book.db.database()).valueOr(true), false);
        QCOMPARE(someSearches(book), indexed);
        book.addEntry(u"2026-12-05"_s, u"11:00:00"_s, book.caixa, u"Café da MANHÃ"_s, u"5,00"_s,
                      u"0,00"_s);
        QCOMPARE(book.found(u"cafe manha"_s), u"Café da MANHÃ"_s);

        book.exec(u"set statement_timeout = 0"_s); // the rows come in one statement
        book.exec(u"insert into caixa (data, hora, descricao, entrada, saida) "
                  "select '2026-12-05', '10:00:00', 'Venda em lote', n, 0 "
                  "from generate_series(1, 20001) as n"_s);
        QVERIFY(SearchIndex::ensure(book.db, book.dialogs));
        QCOMPARE(book.dialogs.progressShown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.progressShown.first().labels.first(), u"servidor"_s);
        QVERIFY(ServerSearchIndex::hasTrigramIndex(book.db.database()).valueOr(false));
        QCOMPARE(someSearches(book), indexed);
        QVERIFY(SearchIndex::ensure(book.db, book.dialogs));
        QCOMPARE(book.dialogs.progressShown.size(), 1);

        // The folded text follows every write: a new description is found,
        // the old one no longer; a rolled-back edit leaves the entry as it
        // was; a renamed account is found by its new name at once.
        book.exec(u"update caixa set descricao = 'Conserto do FREEZER', ndoc = 'OS 77' "
                  "where id = ?"_s,
                  {book.agua});
        QCOMPARE(book.found(u"mineral"_s), QString());
        QCOMPARE(book.found(u"freezer os 77"_s), u"Conserto do FREEZER"_s);
        {
            Transaction undone(book.db.database());
            QVERIFY(undone.begun());
            book.exec(u"update caixa set descricao = 'Outra coisa' where id = ?"_s, {book.agua});
        }
        QCOMPARE(book.found(u"freezer"_s), u"Conserto do FREEZER"_s);
        book.exec(u"delete from caixa where id = ?"_s, {book.agua});
        QCOMPARE(book.found(u"freezer"_s), QString());
        book.exec(u"update contas set descricao = 'PADARIA' where id = ?"_s, {book.caixa});
        QCOMPARE(book.found(u"padaria acao"_s), u"Ação social"_s);
    }

    // A user who may not add extensions still gets a book, and a search
    // without the index; the log says once what the administrator can do.
    // After the administrator's command the next opening builds the index.
    void userWithoutTheRightToAddExtensions()
    {
        const ServerAddress admin = TestServer::createDatabase();
        const QString role = u"livro_sem_extensao_%1"_s.arg(QCoreApplication::applicationPid());
        administer(u"postgres"_s, {u"create role %1 login"_s.arg(role)});
        administer(admin.database, {u"grant create, usage on schema public to %1"_s.arg(role)});
        ServerAddress address = admin;
        address.user = role;
        {
            DbConnection db;
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression(u"funciona sem índice.*CREATE EXTENSION IF "
                                                 "NOT EXISTS unaccent; CREATE EXTENSION IF NOT "
                                                 "EXISTS pg_trgm;"_s,
                                                 QRegularExpression::DotMatchesEverythingOption));
            QVERIFY(db.openServer(address));
            // The check at the start, right after the upgrade, tries again
            // and says nothing more.
            QTest::failOnWarning(QRegularExpression(u"funciona sem índice"_s));
            QVERIFY(ServerSearchIndex::ensure(db.database()));
            QCOMPARE(ServerSearchIndex::hasTrigramIndex(db.database()).valueOr(true), false);
            QVERIFY(Sql::exec(db.database(),
                              u"insert into caixa (data, hora, descricao, entrada, saida) "
                              "values ('2026-12-05', '10:00:00', 'ÁGUA com gás', 100, 0)"_s));
            const SearchCriteria words{u"agua gas"_s, {}, {}, {}, {}};
            QCOMPARE(EntrySearch(db).count(words).valueOr(0), 1);

            administer(admin.database,
                       ServerSearchIndex::administratorCommand().split(u';', Qt::SkipEmptyParts));
            QVERIFY(ServerSearchIndex::ensure(db.database()));
            QVERIFY(ServerSearchIndex::hasTrigramIndex(db.database()).valueOr(false));
            QCOMPARE(EntrySearch(db).count(words).valueOr(0), 1);
            db.close();
        }
        TestServer::dropDatabase(admin);
        administer(u"postgres"_s, {u"drop role %1"_s.arg(role)});
    }
};

LIVRO_TEST(tst_ServerSearch)
#include "tst_ServerSearch.moc"
