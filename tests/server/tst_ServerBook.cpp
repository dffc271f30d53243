// A server book as desks meet it: the server's clock, a database that is no
// book refused, a book moved to the server, a restarted server, a password
// asked. (Other desks' changes appearing: tst_ServerDesk.)

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "app/ServerCommands.h"
#include "app/Startup.h"
#include "book/AccountBook.h"
#include "book/BookCopy.h"
#include "book/Closings.h"
#include "book/EntrySearch.h"
#include "book/EntryStore.h"
#include "core/DataFolder.h"
#include "core/DayTotals.h"
#include "core/FailureText.h"
#include "core/Formats.h"
#include "core/ServerSearchIndex.h"
#include "core/Sql.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

EntryStore::Entry entry(const QString& description, qint64 in, const QString& account = u"CAIXA"_s)
{
    return {QDate(2026, 12, 5), QTime(9, 15),         account, QString(),
            description,        Money::fromUnits(in), Money()};
}

// Runs the test server's script on a folder: a server of a test's own.
QString serverScript(const QString& command, const QString& folder)
{
    QProcess script;
    script.start(u"sh"_s, {QStringLiteral(LIVRO_SERVER_SCRIPT), command, folder});
    if (!script.waitForFinished(60'000) || script.exitCode() != 0)
        qFatal("pg-test-server.sh %s failed: %s", qPrintable(command),
               script.readAllStandardError().constData());
    return QString::fromUtf8(script.readAllStandardOutput()).trimmed();
}

qint64 countOf(DbConnection& db, const char* table)
{
    const auto count =
        Sql::scalar(db.database(), u"select count(*) from "_s + QLatin1String(table));
    if (!count)
        qFatal("%s not counted: %s", table, qPrintable(count.reason()));
    return count->toLongLong();
}

BookCopy::Figures figuresOf(DbConnection& db)
{
    const auto figures = BookCopy::read(db.database());
    if (!figures)
        qFatal("figures not read: %s", qPrintable(figures.reason()));
    return *figures;
}

} // namespace

class tst_ServerBook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    // What the book records is dated by the server's clock, not the desk's
    // (the test desk's clock stands still on 05/12/2026 14:03:09).
    void recordedTimesAreTheServers()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        QVERIFY(EntryStore(book.db).save(0, entry(u"venda"_s, 100)).ok());
        const QVariant logged = book.scalar(u"select max(changed_at) from change_log"_s);
        const auto server = book.db.serverNow();
        QVERIFY(server.ok());
        const QDateTime at = Formats::momentFromDb(logged);
        QVERIFY2(at.isValid() && qAbs(at.secsTo(*server)) < 120, qPrintable(logged.toString()));
    }

    void aDatabaseWithOtherTablesIsRefusedAndLeftAlone()
    {
        const ServerAddress address = TestServer::createDatabase();
        {
            DbConnection raw;
            QVERIFY(raw.openServer(address).ok()); // an empty database becomes a book
            QVERIFY(raw.createdBook());
            QVERIFY(Sql::exec(raw.database(), u"drop table caixa"_s).ok());
        }
        DbConnection desk;
        const Status opened = desk.openServer(address);
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(u"não está vazio"_s), qPrintable(opened.reason()));
        desk.close();
        TestServer::dropDatabase(address);
    }

    // Every row, id and figure goes along, gaps in the ids too; the change
    // log and the closings as well, and the entries are found by the search.
    void aFileBookCopiedToTheServerKeepsEveryFigureAndId()
    {
        QTemporaryDir folder;
        {
            DbConnection file;
            QVERIFY(file.open(DataFolder::bookPath(folder.path())).ok());
            for (const QString& name : {u"CAIXA"_s, u"BANCO"_s})
                QVERIFY(AccountBook(file).create(name));
            EntryStore store(file);
            for (int i = 0; i < 40; ++i)
                QVERIFY(store.save(
                    0, entry(u"l%1"_s.arg(i), 1000 + i, i % 3 ? u"CAIXA"_s : u"BANCO"_s)));
            QVERIFY(store.remove(7).ok());
            QVERIFY(Closings(file).close({QDate(2026, 12, 4), Money::fromUnits(3), {}}));
            QVERIFY(Sql::exec(file.database(), u"insert into usuarios (usuario, nome, senha, "
                                               "restrito) values ('ANA', 'ANA', 'hash', 1)"_s));
        }
        DbConnection file;
        QVERIFY(file.openReadOnly(DataFolder::bookPath(folder.path())).ok());
        const BookCopy::Figures source = figuresOf(file);
        const qint64 logged = countOf(file, "change_log");
        file.close();

        const ServerAddress target = TestServer::createDatabase();
        QCOMPARE(ServerCommands::copyBookTo(folder.path(), target.url()), 0);
        DbConnection server;
        QVERIFY(server.openServer(target).ok());
        QVERIFY(BookCopy::compare(source, figuresOf(server)).ok());
        QCOMPARE(*Closings(server).lockedThrough(), QDate(2026, 12, 4));
        QCOMPARE(countOf(server, "change_log"), logged);
        QCOMPARE(EntrySearch(server).count({u"l39"_s, {}, {}, {}, {}}).valueOr(0), 1);
        QVERIFY(ServerSearchIndex::hasTrigramIndex(server.database()).valueOr(false));
        const auto next = EntryStore(server).save(0, entry(u"nova"_s, 5));
        QVERIFY2(next.ok(), qPrintable(next.reason()));
        QCOMPARE(*next, 41);
        QVERIFY(DayTotals::differences(server.database())->isEmpty());
        // A second copy into the same database is refused and changes nothing.
        QCOMPARE(ServerCommands::copyBookTo(folder.path(), target.url()), 1);
        QCOMPARE(figuresOf(server).rows.value(u"caixa"_s), 40);
        server.close();
        TestServer::dropDatabase(target);
    }

    void anUnreachableServerLeavesTheWindowWithoutABook()
    {
        TestBook book;
        book.session.serverUrl =
            u"postgresql://livro@/livro?host=%1"_s.arg(book.dir() + u"/ninguem"_s);
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(!book.session.bookOpen);
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"Não foi possivel conectar ao servidor"_s);
        VERIFY_CONTAINS(book.dialogs.last().text, u"/ninguem"_s);
    }
};

// A server of these tests' own, which they may restart and whose logins they
// may change without disturbing the other test programs.
class tst_OwnServer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder{u"/tmp/livro-own-XXXXXX"_s};
    ServerAddress m_server;

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
        const auto address = ServerAddress::parse(serverScript(u"start"_s, m_folder.path()));
        QVERIFY(address.ok());
        m_server = *address;
    }

    void cleanupTestCase()
    {
        if (TestServer::inUse())
            serverScript(u"stop"_s, m_folder.path());
    }

    // A restart of the server costs a desk one refused save, with the
    // message for a server that did not answer; the next save goes through.
    // A password the server wants (here for one user, from that restart on)
    // is asked until right.
    void aRestartedServerAndAPasswordAsked()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_server).ok());
        QVERIFY(AccountBook(desk).create(u"CAIXA"_s));
        QVERIFY(Sql::exec(desk.database(), u"create role caixa2 login password 'segredo'"_s));
        QVERIFY(Sql::exec(desk.database(), u"create database caixa2 owner caixa2"_s));
        EntryStore store(desk);
        QVERIFY(store.save(0, entry(u"antes"_s, 100)).ok());
        // The server asks that user for a password; everyone else is trusted.
        const QString hba = m_folder.filePath(u"data/pg_hba.conf"_s);
        writeFile(hba, "local all caixa2 scram-sha-256\n" + fileBytes(hba));
        serverScript(u"stop"_s, m_folder.path());
        serverScript(u"start"_s, m_folder.path());
        const auto refused = store.save(0, entry(u"no reinício"_s, 200));
        QVERIFY(!refused.ok());
        QCOMPARE(refused.status().cause(), Status::Cause::ServerLost);
        QVERIFY(FailureText::plain(refused.status(), u"o lançamento não foi gravado"_s)
                    .startsWith(u"O servidor do livro de caixa não respondeu"_s));
        const auto after = store.save(0, entry(u"depois"_s, 300));
        QVERIFY2(after.ok(), qPrintable(after.reason()));
        QCOMPARE(Sql::scalar(desk.database(), u"select count(*) from caixa"_s)->toInt(), 2);
        QCOMPARE(Sql::scalar(desk.database(), u"select saldo from contas"_s)->toInt(), 400);

        TestBook book;
        ServerAddress asUser = m_server;
        asUser.user = u"caixa2"_s;
        asUser.database = u"caixa2"_s;
        book.session.serverUrl = asUser.display();
        book.dialogs.passwords = {u"errada"_s, u"segredo"_s};
        Startup::Main(book.session);
        QVERIFY2(book.session.bookOpen, qPrintable(book.session.noBookReason));
        QCOMPARE(book.dialogs.passwordQuestions.size(), 2);
        QVERIFY(book.dialogs.passwordQuestions.constFirst().contains(u"caixa2"_s));
        // Nothing the program wrote holds the password.
        QVERIFY(!book.session.db.location().contains(u"segredo"_s));
    }
};

LIVRO_TEST(tst_ServerBook)
LIVRO_TEST(tst_OwnServer)
#include "tst_ServerBook.moc"
