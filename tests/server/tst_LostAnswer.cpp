// A save whose commit reached the server but whose answer never came back
// (the connection dropped at that moment): the desk looks the entry up
// before anything is saved again, so nothing is recorded twice or lost.
// The drop is made by a relay between the desk and the test server that
// swallows the server's answer to one COMMIT and cuts the connection.

#include "TestMain.h"
#include "TestServer.h"
#include "book/EntryStore.h"
#include "core/DbConnection.h"
#include "core/Sql.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

// PostgreSQL's answer to a COMMIT: CommandComplete, length 11, "COMMIT".
const QByteArray kCommitDone = QByteArray("C\0\0\0\x0b"
                                          "COMMIT\0",
                                          12);

// Relays the desk's connections to the test server's socket, running on a
// thread of its own while the desk waits for its answers.
class Relay : public QObject
{
public:
    Relay(const QString& serverSocket, const QString& ownSocket)
        : m_serverSocket(serverSocket), m_ownSocket(ownSocket)
    {
    }

    std::atomic_bool cutAtCommit = false; // once, then back to relaying
    std::atomic_bool refuse = false;      // new connections are closed at once
    std::atomic_int cuts = 0;

    void listen()
    {
        m_listener = new QLocalServer(this);
        if (!m_listener->listen(m_ownSocket))
            qFatal("relay: %s", qPrintable(m_listener->errorString()));
        connect(m_listener, &QLocalServer::newConnection, this, &Relay::accept);
    }

private:
    void accept()
    {
        while (QLocalSocket* desk = m_listener->nextPendingConnection()) {
            if (refuse) {
                desk->abort();
                desk->deleteLater();
                continue;
            }
            auto* server = new QLocalSocket(this);
            server->connectToServer(m_serverSocket);
            if (!server->waitForConnected(5000))
                qFatal("relay: the test server did not answer");
            const QPointer<QLocalSocket> deskEnd(desk), serverEnd(server);
            const auto cut = [deskEnd, serverEnd] {
                if (deskEnd)
                    deskEnd->abort();
                if (serverEnd)
                    serverEnd->abort();
            };
            connect(desk, &QLocalSocket::readyRead, server,
                    [desk, server] { server->write(desk->readAll()); });
            connect(server, &QLocalSocket::readyRead, desk, [this, desk, server, cut] {
                const QByteArray answer = server->readAll();
                if (cutAtCommit && answer.contains(kCommitDone)) {
                    cutAtCommit = false;
                    ++cuts;
                    cut();
                    return;
                }
                desk->write(answer);
            });
            connect(desk, &QLocalSocket::disconnected, server, cut);
            connect(server, &QLocalSocket::disconnected, desk, cut);
        }
    }

    QString m_serverSocket;
    QString m_ownSocket;
    QLocalServer* m_listener = nullptr;
};

EntryStore::Entry entry(const QString& description, qint64 in)
{
    return {QDate(2026, 12, 5),   QTime(9, 15), QStringLiteral("CAIXA"), QString(), description,
            Money::fromUnits(in), Money()};
}

qint64 countOf(const QSqlDatabase& db, const QString& sql)
{
    const auto value = Sql::scalar(db, sql);
    if (!value)
        qFatal("%s: %s", qPrintable(sql), qPrintable(value.reason()));
    return value->toLongLong();
}

} // namespace

class tst_LostAnswer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder{QStringLiteral("/tmp/livro-relay-XXXXXX")};
    QThread m_thread;
    Relay* m_relay = nullptr;
    ServerAddress m_direct;
    ServerAddress m_relayed;
    DbConnection m_check; // straight to the server, to see what is in the book

    // Waits past the pause a desk keeps between two attempts to reconnect.
    static void pastReconnectPause() { QThread::msleep(3100); }

    qint64 entries()
    {
        return countOf(m_check.database(), QStringLiteral("select count(*) from caixa"));
    }
    qint64 balance()
    {
        return countOf(m_check.database(), QStringLiteral("select saldo from contas"));
    }

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
        m_direct = TestServer::createDatabase();
        m_relayed = m_direct;
        m_relayed.host = m_folder.path();
        const QString port = QString::number(m_direct.port > 0 ? m_direct.port : 5432);
        m_relay = new Relay(m_direct.host + QStringLiteral("/.s.PGSQL.") + port,
                            m_folder.filePath(QStringLiteral(".s.PGSQL.") + port));
        m_relay->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(m_relay, &Relay::listen, Qt::BlockingQueuedConnection);
        QVERIFY(m_check.openServer(m_direct).ok());
        QVERIFY(
            Sql::exec(m_check.database(),
                      QStringLiteral("insert into contas (descricao, saldo) values ('CAIXA', 0)"))
                .ok());
    }

    void cleanupTestCase()
    {
        if (!m_relay)
            return;
        m_thread.quit();
        m_thread.wait();
        delete m_relay;
        m_check.close();
        TestServer::dropDatabase(m_direct);
    }

    void init()
    {
        QVERIFY(Sql::exec(m_check.database(), QStringLiteral("delete from caixa")).ok());
        QVERIFY(Sql::exec(m_check.database(), QStringLiteral("update contas set saldo = 0")).ok());
        m_relay->refuse = false;
        m_relay->cutAtCommit = false;
    }

    // The desk reconnects at once and finds the entry: the save stands.
    void aNewEntryWhoseAnswerWasLostIsFoundAndNotSavedAgain()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_relayed).ok());
        EntryStore store(desk);
        m_relay->cutAtCommit = true;
        const auto saved = store.save(0, entry(QStringLiteral("venda"), 100));
        QCOMPARE(m_relay->cuts.load(), 1);
        QVERIFY2(saved.ok(), qPrintable(saved.reason()));
        QCOMPARE(entries(), 1);
        QCOMPARE(*saved, countOf(m_check.database(), QStringLiteral("select id from caixa")));
        QVERIFY(store.save(0, entry(QStringLiteral("outra venda"), 50)).ok());
        QCOMPARE(entries(), 2);
        QCOMPARE(balance(), 150);
    }

    // The server cannot be asked yet: the desk says the save is in doubt,
    // and saving the same form again once the server answers records it once.
    void aSaveInDoubtIsSettledByTheNextSaveOfTheSameEntry()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_relayed).ok());
        EntryStore store(desk);
        m_relay->cutAtCommit = true;
        m_relay->refuse = true;
        const auto doubtful = store.save(0, entry(QStringLiteral("venda"), 100));
        QVERIFY(!doubtful.ok());
        QVERIFY2(doubtful.reason().contains(QStringLiteral("ainda não se sabe")),
                 qPrintable(doubtful.reason()));
        QCOMPARE(entries(), 1); // the server did commit it
        // Still unreachable: still in doubt, nothing written.
        QVERIFY(!store.save(0, entry(QStringLiteral("venda"), 100)).ok());
        m_relay->refuse = false;
        pastReconnectPause();
        const auto again = store.save(0, entry(QStringLiteral("venda"), 100));
        QVERIFY2(again.ok(), qPrintable(again.reason()));
        QCOMPARE(entries(), 1);
        QCOMPARE(balance(), 100);
        // Settled: the next entry is a new one.
        QVERIFY(store.save(0, entry(QStringLiteral("venda"), 100)).ok());
        QCOMPARE(entries(), 2);
    }

    // Something else typed after the doubt: the entry saved earlier is named
    // first, and the next save goes on as a new entry.
    void aDifferentEntryAfterADoubtIsToldOfTheEarlierOne()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_relayed).ok());
        EntryStore store(desk);
        m_relay->cutAtCommit = true;
        m_relay->refuse = true;
        QVERIFY(!store.save(0, entry(QStringLiteral("venda"), 100)).ok());
        m_relay->refuse = false;
        pastReconnectPause();
        const auto told = store.save(0, entry(QStringLiteral("troco"), 7));
        QVERIFY(!told.ok());
        QVERIFY2(told.reason().contains(QStringLiteral("foi gravado")), qPrintable(told.reason()));
        QVERIFY(told.reason().contains(QStringLiteral("venda")));
        QCOMPARE(entries(), 1);
        QVERIFY(store.save(0, entry(QStringLiteral("troco"), 7)).ok());
        QCOMPARE(entries(), 2);
        QCOMPARE(balance(), 107);
    }

    // An edit and a deletion whose answers were lost are found made.
    void anEditAndADeletionWhoseAnswersWereLostAreFoundMade()
    {
        DbConnection desk;
        QVERIFY(desk.openServer(m_relayed).ok());
        EntryStore store(desk);
        const auto id = store.save(0, entry(QStringLiteral("venda"), 100));
        QVERIFY(id.ok());
        const auto loaded = store.load(*id);
        QVERIFY(loaded.ok());
        m_relay->cutAtCommit = true;
        const auto edited = store.saveEdit(*loaded, entry(QStringLiteral("venda à vista"), 120));
        QVERIFY2(edited.ok(), qPrintable(edited.reason()));
        QVERIFY(edited->saved);
        QCOMPARE(balance(), 120);
        // The same edit saved again (the form still open) is not refused as
        // a change made at another desk.
        const auto again = store.saveEdit(*loaded, entry(QStringLiteral("venda à vista"), 120));
        QVERIFY(again.ok());
        QVERIFY(again->saved);
        pastReconnectPause();
        m_relay->cutAtCommit = true;
        const Status removed = store.remove(*id);
        QVERIFY2(removed.ok(), qPrintable(removed.reason()));
        QCOMPARE(entries(), 0);
        QCOMPARE(balance(), 0);
    }
};

LIVRO_TEST(tst_LostAnswer)
#include "tst_LostAnswer.moc"
