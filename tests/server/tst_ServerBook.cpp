// A server book as desks meet it: two desks on one entry, the changes of
// other desks announced, a database that is no book refused, a book moved
// to the server and backed up from it, a restarted server, a password asked.

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "app/ServerCommands.h"
#include "app/Startup.h"
#include "book/Backup.h"
#include "book/BookCopy.h"
#include "book/Closings.h"
#include "book/EntryStore.h"
#include "core/BookChanges.h"
#include "core/DataFolder.h"
#include "core/DayTotals.h"
#include "core/FailureText.h"
#include "core/Formats.h"
#include "core/Sql.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

EntryStore::Entry entry(const QString& description, qint64 in,
                        const QString& account = QStringLiteral("CAIXA"))
{
    return {QDate(2026, 12, 5), QTime(9, 15),         account, QString(),
            description,        Money::fromUnits(in), Money()};
}

// Runs the test server's script on a folder: a server of a test's own.
QString serverScript(const QString& command, const QString& folder)
{
    QProcess script;
    script.start(QStringLiteral("sh"), {QStringLiteral(LIVRO_SERVER_SCRIPT), command, folder});
    if (!script.waitForFinished(60'000) || script.exitCode() != 0)
        qFatal("pg-test-server.sh %s failed: %s", qPrintable(command),
               script.readAllStandardError().constData());
    return QString::fromUtf8(script.readAllStandardOutput()).trimmed();
}

qint64 countOf(DbConnection& db, const char* table)
{
    const auto count =
        Sql::scalar(db.database(), QStringLiteral("select count(*) from ") + QLatin1String(table));
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
        book.addAccount(QStringLiteral("CAIXA"));
        QVERIFY(EntryStore(book.db).save(0, entry(QStringLiteral("venda"), 100)).ok());
        const auto logged = Sql::scalar(book.db.database(),
                                        QStringLiteral("select max(changed_at) from change_log"));
        const auto server = book.db.serverNow();
        QVERIFY(logged.ok() && server.ok());
        const QDateTime at = Formats::momentFromDb(*logged);
        QVERIFY2(at.isValid() && qAbs(at.secsTo(*server)) < 120, qPrintable(logged->toString()));
    }

    void theSecondEditOfOneEntryIsShownTheFirst()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        DbConnection otherDesk;
        QVERIFY(otherDesk.openServer(*book.m_server).ok());
        EntryStore here(book.db);
        EntryStore there(otherDesk);
        const auto id = here.save(0, entry(QStringLiteral("venda"), 100));
        QVERIFY(id.ok());
        const auto loadedHere = here.load(*id);
        const auto loadedThere = there.load(*id);
        QVERIFY(loadedHere.ok() && loadedThere.ok());
        const auto first = there.saveEdit(*loadedThere, entry(QStringLiteral("de lá"), 300));
        QVERIFY(first.ok() && first->saved);
        const auto second = here.saveEdit(*loadedHere, entry(QStringLiteral("daqui"), 200));
        QVERIFY(second.ok());
        QVERIFY(!second->saved);
        QCOMPARE(second->current.descricao, QStringLiteral("de lá"));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas")).toLongLong(), 300);
    }

    void otherDesksChangesAreAnnouncedAndOwnOnesAreNot()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        BookChanges changes(book.db);
        QSignalSpy told(&changes, &BookChanges::changed);
        QVERIFY(EntryStore(book.db).save(0, entry(QStringLiteral("daqui"), 100)).ok());
        QTest::qWait(300);
        QCOMPARE(told.count(), 0);
        DbConnection otherDesk;
        QVERIFY(otherDesk.openServer(*book.m_server).ok());
        QVERIFY(EntryStore(otherDesk).save(0, entry(QStringLiteral("de lá"), 100)).ok());
        QTRY_VERIFY_WITH_TIMEOUT(told.count() >= 1, 2000);
    }

    void aDatabaseWithOtherTablesIsRefusedAndLeftAlone()
    {
        const ServerAddress address = TestServer::createDatabase();
        {
            DbConnection raw;
            QVERIFY(raw.openServer(address).ok()); // an empty database becomes a book
            QVERIFY(raw.createdBook());
            QVERIFY(Sql::exec(raw.database(), QStringLiteral("drop table caixa")).ok());
        }
        DbConnection desk;
        const Status opened = desk.openServer(address);
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(QStringLiteral("não está vazio")),
                 qPrintable(opened.reason()));
        desk.close();
        TestServer::dropDatabase(address);
    }

    void aFileBookCopiedToTheServerKeepsEveryFigureAndId()
    {
        QTemporaryDir folder;
        {
            DbConnection file;
            QVERIFY(file.open(DataFolder::bookPath(folder.path())).ok());
            for (const char* name : {"CAIXA", "BANCO"})
                QVERIFY(Sql::exec(file.database(),
                                  QStringLiteral("insert into contas (descricao, saldo) values "
                                                 "(?, 0)"),
                                  {QString::fromLatin1(name)})
                            .ok());
            EntryStore store(file);
            for (int i = 0; i < 40; ++i)
                QVERIFY(
                    store
                        .save(0, entry(QStringLiteral("l%1").arg(i), 1000 + i,
                                       i % 3 ? QStringLiteral("CAIXA") : QStringLiteral("BANCO")))
                        .ok());
            QVERIFY(store.remove(7).ok()); // a gap the copy must keep
            // A closed day and the change log go along.
            QVERIFY(Closings(file).close({QDate(2026, 12, 4), Money::fromUnits(3), {}}).ok());
            QVERIFY(Sql::exec(file.database(),
                              QStringLiteral("insert into usuarios (usuario, nome, senha, "
                                             "restrito) values ('ANA', 'ANA', 'hash', 1)"))
                        .ok());
        }
        DbConnection file;
        QVERIFY(file.openReadOnly(DataFolder::bookPath(folder.path())).ok());
        const BookCopy::Figures source = figuresOf(file);
        file.close();

        const ServerAddress target = TestServer::createDatabase();
        QCOMPARE(ServerCommands::copyBookTo(folder.path(), target.url()), 0);
        DbConnection server;
        QVERIFY(server.openServer(target).ok());
        const BookCopy::Figures copied = figuresOf(server);
        QVERIFY(BookCopy::compare(source, copied).ok());
        QCOMPARE(copied.rows.value(QStringLiteral("caixa")), 39);
        QCOMPARE(*Closings(server).lockedThrough(), QDate(2026, 12, 4));
        QCOMPARE(countOf(server, "change_log"), 42); // 40 saves, a deletion, a closing
        QCOMPARE(server.database().isOpen(), true);
        QCOMPARE(Sql::scalar(server.database(), QStringLiteral("select count(*) from caixa "
                                                               "where id = 7"))
                     ->toInt(),
                 0);
        const auto next = EntryStore(server).save(0, entry(QStringLiteral("nova"), 5));
        QVERIFY2(next.ok(), qPrintable(next.reason()));
        QCOMPARE(*next, 41);
        QVERIFY(DayTotals::differences(server.database())->isEmpty());
        // A second copy into the same database is refused and changes nothing.
        QCOMPARE(ServerCommands::copyBookTo(folder.path(), target.url()), 1);
        QCOMPARE(figuresOf(server).rows.value(QStringLiteral("caixa")), 40);
        server.close();
        TestServer::dropDatabase(target);
    }

    void theBackupOfAServerBookIsAFileBookWithTheSameFigures()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        for (int i = 0; i < 25; ++i)
            QVERIFY(store.save(0, entry(QStringLiteral("l%1").arg(i), 100 * i)).ok());
        QVERIFY(Closings(book.db).close({QDate(2026, 12, 4), Money(), {}}).ok());
        const BookCopy::Figures server = figuresOf(book.db);
        const Backup::Outcome made = Backup::makeOfServer(
            book.db, book.dir(), 5, QDateTime(QDate(2026, 12, 5), QTime(18, 0)));
        QVERIFY2(made.copy.ok(), qPrintable(made.copy.reason()));
        QCOMPARE(QFileInfo(made.file).fileName(), QStringLiteral("2026_12_05_18_00_00_Backup.bkp"));
        QCOMPARE(QDir(QFileInfo(made.file).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("2026_12_05_18_00_00_Backup.bkp")});
        DbConnection backup;
        QVERIFY(backup.openReadOnly(made.file).ok());
        QVERIFY(BookCopy::compare(server, figuresOf(backup)).ok());
        QCOMPARE(*Closings(backup).lockedThrough(), QDate(2026, 12, 4));
        QCOMPARE(countOf(backup, "change_log"), countOf(book.db, "change_log"));
        QVERIFY(DayTotals::differences(backup.database())->isEmpty());
        QCOMPARE(Sql::scalar(backup.database(), QStringLiteral("select saldo from contas"))
                     ->toLongLong(),
                 30'000);
    }

    void anUnreachableServerLeavesTheWindowWithoutABook()
    {
        TestBook book;
        book.session.serverUrl = QStringLiteral("postgresql://livro@/livro?host=%1")
                                     .arg(book.dir() + QStringLiteral("/ninguem"));
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(!book.session.bookOpen);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(book.dialogs.last().text.contains(QStringLiteral("Não foi possivel conectar ao "
                                                                 "servidor")));
        QVERIFY(book.dialogs.last().text.contains(QStringLiteral("/ninguem")));
    }
};

// A server of these tests' own, which they may restart and whose logins they
// may change without disturbing the other test programs.
class tst_OwnServer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder{QStringLiteral("/tmp/livro-own-XXXXXX")};
    ServerAddress m_server;

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
        const auto address =
            ServerAddress::parse(serverScript(QStringLiteral("start"), m_folder.path()));
        QVERIFY(address.ok());
        m_server = *address;
    }

    void cleanupTestCase()
    {
        if (TestServer::inUse())
            serverScript(QStringLiteral("stop"), m_folder.path());
    }

    void aRestartedServerCostsOneRefusedSave()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_server).ok());
        QVERIFY(
            Sql::exec(desk.database(),
                      QStringLiteral("insert into contas (descricao, saldo) values ('CAIXA', 0)"))
                .ok());
        EntryStore store(desk);
        QVERIFY(store.save(0, entry(QStringLiteral("antes"), 100)).ok());
        serverScript(QStringLiteral("stop"), m_folder.path());
        serverScript(QStringLiteral("start"), m_folder.path());
        const auto refused = store.save(0, entry(QStringLiteral("no reinício"), 200));
        QVERIFY(!refused.ok());
        QCOMPARE(refused.status().cause(), Status::Cause::ServerLost);
        QVERIFY(FailureText::plain(refused.status(), QStringLiteral("o lançamento não foi gravado"))
                    .startsWith(QStringLiteral("O servidor do livro de caixa não respondeu")));
        const auto after = store.save(0, entry(QStringLiteral("depois"), 300));
        QVERIFY2(after.ok(), qPrintable(after.reason()));
        QCOMPARE(
            Sql::scalar(desk.database(), QStringLiteral("select count(*) from caixa"))->toInt(), 2);
        QCOMPARE(Sql::scalar(desk.database(), QStringLiteral("select saldo from contas"))->toInt(),
                 400);
    }

    void aPasswordTheServerWantsIsAskedUntilRight()
    {
        {
            DbConnection admin;
            QVERIFY(admin.openServer(m_server).ok());
            QVERIFY(Sql::exec(admin.database(),
                              QStringLiteral("create role caixa2 login password 'segredo'"))
                        .ok());
            QVERIFY(
                Sql::exec(admin.database(), QStringLiteral("create database caixa2 owner caixa2"))
                    .ok());
        }
        // The server asks that user for a password; everyone else is trusted.
        QFile hba(m_folder.filePath(QStringLiteral("data/pg_hba.conf")));
        QVERIFY(hba.open(QIODevice::ReadOnly));
        const QByteArray rules = "local all caixa2 scram-sha-256\n" + hba.readAll();
        hba.close();
        QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hba.write(rules);
        hba.close();
        serverScript(QStringLiteral("stop"), m_folder.path());
        serverScript(QStringLiteral("start"), m_folder.path());

        TestBook book;
        ServerAddress asUser = m_server;
        asUser.user = QStringLiteral("caixa2");
        asUser.database = QStringLiteral("caixa2");
        book.session.serverUrl = asUser.display();
        book.dialogs.passwords = {QStringLiteral("errada"), QStringLiteral("segredo")};
        Startup::Main(book.session);
        QVERIFY2(book.session.bookOpen, qPrintable(book.session.noBookReason));
        QCOMPARE(book.dialogs.passwordQuestions.size(), 2);
        QVERIFY(book.dialogs.passwordQuestions.constFirst().contains(QStringLiteral("caixa2")));
        // Nothing the program wrote holds the password.
        QVERIFY(!book.session.db.location().contains(QStringLiteral("segredo")));
    }
};

LIVRO_TEST(tst_ServerBook)
LIVRO_TEST(tst_OwnServer)
#include "tst_ServerBook.moc"
