// A save whose commit reached the server but whose answer never came back
// (the connection dropped at that moment): the desk looks the entry up
// before anything is saved again, so nothing is recorded twice or lost.
// The drop is made by a relay between the desk and the test server that
// swallows the server's answer to one COMMIT and cuts the connection.

#include "TestBook.h"
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
#include <optional>

using namespace Qt::StringLiterals;

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
    return {QDate(2026, 12, 5), QTime(9, 15),         u"CAIXA"_s, QString(),
            description,        Money::fromUnits(in), Money()};
}

} // namespace

class tst_LostAnswer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder{u"/tmp/livro-relay-XXXXXX"_s};
    QThread m_thread;
    Relay* m_relay = nullptr;
    ServerAddress m_direct;
    ServerAddress m_relayed;
    DbConnection m_check;               // straight to the server, to see what is in the book
    std::optional<DbConnection> m_desk; // through the relay, a new one for each case
    std::optional<EntryStore> m_store;

    // Waits past the pause a desk keeps between two attempts to reconnect.
    static void pastReconnectPause() { QThread::msleep(3100); }

    // How many entries the book has and the account's balance: "2 150".
    QString book()
    {
        const auto value =
            Sql::scalar(m_check.database(),
                        u"select (select count(*) from caixa) || ' ' || saldo from contas"_s);
        return value ? value->toString() : value.reason();
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
        m_relay = new Relay(m_direct.host + u"/.s.PGSQL."_s + port,
                            m_folder.filePath(u".s.PGSQL."_s + port));
        m_relay->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(m_relay, &Relay::listen, Qt::BlockingQueuedConnection);
        QVERIFY(m_check.openServer(m_direct).ok());
        QVERIFY(Sql::exec(m_check.database(),
                          u"insert into contas (descricao, saldo) values ('CAIXA', 0)"_s)
                    .ok());
    }

    void cleanupTestCase()
    {
        if (!m_relay)
            return;
        m_thread.quit();
        m_thread.wait();
        delete m_relay;
        m_store.reset();
        m_desk.reset();
        m_check.close();
        TestServer::dropDatabase(m_direct);
    }

    void init()
    {
        QVERIFY(Sql::exec(m_check.database(), u"delete from caixa"_s).ok());
        QVERIFY(Sql::exec(m_check.database(), u"update contas set saldo = 0"_s).ok());
        m_relay->refuse = false;
        m_relay->cutAtCommit = false;
        m_store.reset();
        m_desk.emplace();
        QVERIFY(m_desk->openServer(m_relayed).ok());
        m_store.emplace(*m_desk);
    }

    // A new entry, an edit and a deletion whose answers were lost: the desk
    // reconnects at once and finds each made, so each stands and none is
    // made twice. The same edit saved again (the form still open) is not
    // refused as a change made at another desk.
    void changesWhoseAnswersWereLostAreFoundMade()
    {
        m_relay->cutAtCommit = true;
        const auto id = m_store->save(0, entry(u"venda"_s, 100));
        QCOMPARE(m_relay->cuts.load(), 1);
        QVERIFY2(id.ok(), qPrintable(id.reason()));
        QCOMPARE(book(), u"1 100"_s);
        QCOMPARE(
            *id,
            Sql::scalar(m_check.database(), u"select id from caixa"_s).valueOr(0).toLongLong());
        const auto loaded = m_store->load(*id);
        QVERIFY(loaded.ok());
        pastReconnectPause();
        m_relay->cutAtCommit = true;
        const auto edited = m_store->saveEdit(*loaded, entry(u"à vista"_s, 120));
        QVERIFY2(edited && edited->saved, qPrintable(edited.reason()));
        QCOMPARE(book(), u"1 120"_s);
        const auto again = m_store->saveEdit(*loaded, entry(u"à vista"_s, 120));
        QVERIFY(again && again->saved);
        pastReconnectPause();
        m_relay->cutAtCommit = true;
        const Status removed = m_store->remove(*id);
        QVERIFY2(removed.ok(), qPrintable(removed.reason()));
        QCOMPARE(book(), u"0 0"_s);
    }

    // The server cannot be asked yet: the desk says the save is in doubt.
    // Saving the same form again once the server answers records it once,
    // and the entry after that is a new one. Something else typed after a
    // doubt is told of the entry saved earlier first, then saved.
    void aSaveInDoubtIsSettledByTheNextSave()
    {
        m_relay->cutAtCommit = true;
        m_relay->refuse = true;
        const auto doubtful = m_store->save(0, entry(u"venda"_s, 100));
        QVERIFY(!doubtful.ok());
        VERIFY_CONTAINS(doubtful.reason(), u"ainda não se sabe"_s);
        // Still unreachable: still in doubt, nothing written.
        QVERIFY(!m_store->save(0, entry(u"venda"_s, 100)).ok());
        QCOMPARE(book(), u"1 100"_s); // the server did commit it once
        m_relay->refuse = false;
        pastReconnectPause();
        const auto again = m_store->save(0, entry(u"venda"_s, 100));
        QVERIFY2(again.ok(), qPrintable(again.reason()));
        QCOMPARE(book(), u"1 100"_s);
        QVERIFY(m_store->save(0, entry(u"venda"_s, 100)).ok());
        QCOMPARE(book(), u"2 200"_s);

        m_relay->cutAtCommit = true;
        m_relay->refuse = true;
        QVERIFY(!m_store->save(0, entry(u"pão"_s, 50)).ok());
        m_relay->refuse = false;
        pastReconnectPause();
        const auto told = m_store->save(0, entry(u"troco"_s, 7));
        QVERIFY(!told.ok());
        VERIFY_CONTAINS(told.reason(), u"foi gravado"_s);
        VERIFY_CONTAINS(told.reason(), u"pão"_s);
        QCOMPARE(book(), u"3 250"_s);
        QVERIFY(m_store->save(0, entry(u"troco"_s, 7)).ok());
        QCOMPARE(book(), u"4 257"_s);
    }
};

LIVRO_TEST(tst_LostAnswer)
#include "tst_LostAnswer.moc"
