// Several desks (processes) writing one server book at once, and a desk
// killed in the middle of its work: afterwards every account balance and
// every day total equals the entries, and every confirmed change is there.

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "WriterLines.h"
#include "core/DayTotals.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// What the desks said they committed.
struct Confirmed
{
    QSet<qint64> added;
    QSet<qint64> deleted;
    // Deletions a desk began and never told the end of: killed between the
    // commit and its line, it may have removed another desk's entry.
    QSet<qint64> deletionsInDoubt;
    int edits = 0;
    int failures = 0;

    void read(const QByteArray& output)
    {
        std::optional<qint64> inDoubt;
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> parts = line.split('\t');
            if (parts.at(0) == "failed")
                ++failures;
            if (parts.size() < 3)
                continue;
            const QByteArray& said = parts.at(0);
            const QByteArray& change = parts.at(1);
            const qint64 id = parts.at(2).toLongLong();
            if (change == "delete")
                inDoubt = said == "try" ? std::optional<qint64>(id) : std::nullopt;
            if (said == "done" && change == "add")
                added.insert(id);
            else if (said == "done" && change == "delete")
                deleted.insert(id);
            else if (said == "done" && change == "edit")
                ++edits;
        }
        if (inDoubt)
            deletionsInDoubt.insert(*inDoubt);
    }
};

std::unique_ptr<QProcess> startDesk(const ServerAddress& book, int seed, int changes)
{
    auto desk = std::make_unique<QProcess>();
    desk->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    desk->start(QStringLiteral(LIVRO_DESK_WRITER),
                {book.url(), QString::number(seed), QString::number(changes)});
    return desk;
}

} // namespace

class tst_SeveralDesks : public QObject
{
    Q_OBJECT

private:
    void openAccounts(TestBook& book)
    {
        for (const QString& name : kWriterAccounts)
            book.addAccount(name);
    }

    // Every balance and day total equals the entries; every entry a desk
    // confirmed is there unless a desk deleted it or began to.
    void checkBook(TestBook& book, const Confirmed& confirmed)
    {
        QCOMPARE(book.strings(QStringLiteral(
                     "select a.descricao from contas a where a.saldo <> (select "
                     "coalesce(sum(coalesce(entrada, 0) - coalesce(saida, 0)), 0) from caixa c "
                     "where c.idconta = a.id)")),
                 QStringList());
        const auto differences = DayTotals::differences(book.db.database());
        QVERIFY2(differences.ok(), qPrintable(differences.reason()));
        QCOMPARE(differences->join(u'\n'), QString());
        QSet<qint64> present;
        for (const QString& id : book.strings(u"select id from caixa"_s))
            present.insert(id.toLongLong());
        const QSet<qint64> missing =
            confirmed.added - confirmed.deleted - present - confirmed.deletionsInDoubt;
        QCOMPARE(missing.values(), QList<qint64>());
        QCOMPARE((confirmed.deleted & present).values(), QList<qint64>());
    }

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    // Two desks keep writing while a third is killed at random moments (most
    // of them in the middle of a save) and started again, six times.
    void desksAtOnceAndOneKilledLoseNothing()
    {
        TestBook book;
        openAccounts(book);
        Confirmed confirmed;
        std::vector<std::unique_ptr<QProcess>> steady;
        for (int seed = 1; seed <= 2; ++seed)
            steady.push_back(startDesk(*book.m_server, seed, 400));
        for (int round = 0; round < 6; ++round) {
            auto victim = startDesk(*book.m_server, 100 + round, 0);
            QVERIFY(victim->waitForReadyRead(20'000));
            QTest::qWait(100 + QRandomGenerator::global()->bounded(400));
            victim->kill();
            QVERIFY(victim->waitForFinished(10'000));
            confirmed.read(victim->readAllStandardOutput());
        }
        for (auto& desk : steady) {
            // It may have finished while the victims were being killed.
            QVERIFY(desk->state() == QProcess::NotRunning || desk->waitForFinished(240'000));
            QCOMPARE(desk->exitCode(), 0);
            confirmed.read(desk->readAllStandardOutput());
        }
        QCOMPARE(confirmed.failures, 0);
        QVERIFY(confirmed.added.size() > 2 * 200);
        QVERIFY(confirmed.edits > 0);
        QVERIFY(!confirmed.deleted.isEmpty());
        checkBook(book, confirmed);
    }
};

LIVRO_TEST(tst_SeveralDesks)
#include "tst_SeveralDesks.moc"
