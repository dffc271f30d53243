#include "TestMain.h"
#include "WriterLines.h"
#include "book/AccountBook.h"
#include "core/DbConnection.h"
#include "core/Sql.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Entries by id, each as "data|hora|account|descricao|entrada|saida".
using Rows = QMap<qint64, QString>;

// What the writer confirmed, and the one change it began and may or may not
// have committed when it was killed.
struct Ledger
{
    Rows confirmed;
    QString pendingKind;
    qint64 pendingId = 0;
    QString pendingRow;

    void read(const QByteArray& output)
    {
        for (const QByteArray& line : output.split('\n')) {
            const QStringList f = QString::fromUtf8(line).split(u'\t');
            if (f.value(0) == u"try" && f.size() >= 3) {
                pendingKind = f.at(1);
                pendingId = f.at(2).toLongLong();
                pendingRow = f.mid(3).join(u'|');
            } else if (f.value(0) == u"done" && f.size() == 2 && !pendingKind.isEmpty()) {
                if (pendingKind == u"delete")
                    confirmed.remove(f.at(1).toLongLong());
                else
                    confirmed.insert(f.at(1).toLongLong(), pendingRow);
                pendingKind.clear();
            }
        }
    }

    // The book holds every confirmed change, and of the last one either all or nothing.
    bool matches(const Rows& book) const
    {
        if (book == confirmed)
            return true;
        Rows after = confirmed;
        if (pendingKind == u"edit" && after.contains(pendingId))
            after.insert(pendingId, pendingRow);
        else if (pendingKind == u"delete")
            after.remove(pendingId);
        else if (pendingKind == u"add") {
            const QList<qint64> ids = book.keys();
            if (ids.isEmpty() || confirmed.contains(ids.constLast()))
                return false;
            after.insert(ids.constLast(), pendingRow);
        }
        return book == after;
    }
};

Rows rowsOf(DbConnection& db)
{
    Rows rows;
    auto q = Sql::run(db.database(), u"select c.id, c.data || '|' || c.hora || '|' || "
                                     "coalesce(a.descricao, '') || '|' || c.descricao || '|' || "
                                     "coalesce(c.entrada, 0) || '|' || coalesce(c.saida, 0) "
                                     "from caixa c left join contas a on a.id = c.idconta"_s);
    while (q && q->next())
        rows.insert(q->value(0).toLongLong(), q->value(1).toString());
    return rows;
}

// The accounts whose stored balance differs from their entries.
QString wrongBalances(DbConnection& db)
{
    return Sql::scalar(db.database(),
                       u"select group_concat(descricao) from (select a.descricao, a.saldo, "
                       "coalesce(sum(c.entrada), 0) - coalesce(sum(c.saida), 0) as s from contas "
                       "a left join caixa c on c.idconta = a.id group by a.id) where saldo <> s"_s)
        ->toString();
}

} // namespace

// A cash book survives being killed at any moment: a writer saving entries
// is killed with SIGKILL at random moments, and after each kill the book
// opens, passes SQLite's full integrity check, every account's stored
// balance equals its entries, and every save the writer saw confirmed is
// there (the change it was making is there whole or not at all).
class tst_Crash : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileSaving()
    {
        QTemporaryDir dir;
        const QString book = dir.filePath(u"bd.mdb"_s);
        {
            DbConnection db;
            QVERIFY(db.open(book).ok());
            for (const QString& name : kWriterAccounts)
                QVERIFY(AccountBook(db).create(name).ok());
        }
        Ledger ledger;
        Mutation::Random random(20261205);
        int rounds = 0, interrupted = 0;
        for (; rounds < 24; ++rounds) {
            QProcess writer;
            writer.start(QStringLiteral(LIVRO_CRASH_WRITER), {book, QString::number(rounds + 1)});
            QByteArray output;
            while (!output.contains("ready\n") && writer.waitForReadyRead(20000))
                output += writer.readAllStandardOutput();
            QVERIFY2(output.contains("ready\n"), writer.readAllStandardError().constData());
            QThread::msleep(ulong(10 + random.below(150)));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            output += writer.readAllStandardOutput();
            ledger.read(output);
            if (QFile::exists(book + u"-journal"_s))
                ++interrupted;

            DbConnection db;
            const Status opened = db.open(book);
            QVERIFY2(opened.ok(), qPrintable(opened.reason()));
            QCOMPARE(Sql::scalar(db.database(), u"PRAGMA integrity_check"_s)->toString(), u"ok"_s);
            QCOMPARE(wrongBalances(db), QString());
            const Rows rows = rowsOf(db);
            QVERIFY2(ledger.matches(rows),
                     qPrintable(u"round %1: %2 rows, %3 confirmed, pending %4 %5"_s.arg(rounds)
                                    .arg(rows.size())
                                    .arg(ledger.confirmed.size())
                                    .arg(ledger.pendingKind)
                                    .arg(ledger.pendingId)));
            // What the book holds now is what the next round starts from.
            ledger.confirmed = rows;
            ledger.pendingKind.clear();
        }
        qInfo("%d kills, %d of them in the middle of a write, %lld entries in the end", rounds,
              interrupted, qint64(ledger.confirmed.size()));
        QVERIFY(ledger.confirmed.size() > 0);
    }
};

LIVRO_TEST(tst_Crash)
#include "tst_Crash.moc"
