#include "ClosingBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "core/Transaction.h"

#include <QTest>

#include <functional>
#include <future>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay3(2026, 12, 3);

// Another desk of the same server book, on a thread of its own (a
// connection belongs to the thread that opened it): it opens the book, does
// its work and hands back what came of it.
template <typename T>
std::future<T> atAnotherDesk(const ServerAddress& book, std::function<T(DbConnection&)> work)
{
    return std::async(std::launch::async, [book, work = std::move(work)]() -> T {
        DbConnection desk;
        if (Status opened = desk.openServer(book); !opened)
            return opened;
        return work(desk);
    });
}

std::future<Result<Closings::Closing>> closingAtAnotherDesk(const ClosingBook& book,
                                                            const char* counted)
{
    const Money money = ClosingBook::reais(counted);
    return atAnotherDesk<Result<Closings::Closing>>(*book.m_server, [money](DbConnection& desk) {
        return Closings(desk).close({kDay3, money, QString()});
    });
}

// How many desks of this book wait for another's lock: a closing waiting
// for a save, or a save for a closing.
int waiting(ClosingBook& book)
{
    // The activity a transaction reads is kept until it ends, unless let go.
    book.exec(u"select pg_stat_clear_snapshot()"_s);
    return book
        .scalar(u"select count(*) from pg_stat_activity where datname = current_database() "
                "and wait_event_type = 'Lock'"_s)
        .toInt();
}

bool waitFor(ClosingBook& book, int desks)
{
    return QTest::qWaitFor([&] { return waiting(book) == desks; }, 8000);
}

// This desk's save of an entry of 03/12, held open so that the other desks
// wait for it.
std::unique_ptr<Transaction> saveHeldOpen(ClosingBook& book)
{
    auto save = std::make_unique<Transaction>(book.db.database());
    if (!save->begun() ||
        !EntryStore(book.db).addWithinTransaction(ClosingBook::entryOn(kDay3, u"Venda"_s)))
        qFatal("the held save did not begin");
    return save;
}

Status statusOf(const Result<qint64>& r)
{
    return r ? Status::success() : r.status();
}

} // namespace

// Several desks of a server book closing a day and saving entries on it at
// the same moment. A desk here holds its save open in a transaction while
// the other desks start, so that each case sees the others wait.
class tst_ClosingDesks : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (!TestServer::inUse())
            QSKIP("several desks at once: a server book only (a file book has one desk)");
    }

    // A closing that starts while a desk is saving an entry of the day
    // waits for the save, and its figure counts that entry. A save that
    // starts while the day is being closed waits for the closing and is
    // then refused with the closed day's message; nothing of it is written.
    // A second desk closing the same day at the same moment is told the day
    // is closed: the day is closed once.
    void closingsAndSavesOfOneDayAtOnce()
    {
        ClosingBook book;
        const auto save = saveHeldOpen(book);
        auto closing = closingAtAnotherDesk(book, "70,00");
        QVERIFY2(waitFor(book, 1), "the closing did not wait for the save");
        auto late = atAnotherDesk<Status>(*book.m_server, [](DbConnection& desk) {
            return statusOf(EntryStore(desk).save(0, ClosingBook::entryOn(kDay3, u"Tarde"_s)));
        });
        auto second = closingAtAnotherDesk(book, "70,00");
        QVERIFY2(waitFor(book, 3), "the second save and closing did not wait for the first");
        QVERIFY(save->commit().ok());

        const auto closed = closing.get();
        QVERIFY2(closed, qPrintable(closed.reason()));
        QCOMPARE(closed->computed.format(), u"75,00"_s);
        QCOMPARE(closed->difference.format(), u"-5,00"_s);
        const Status refused = late.get();
        QCOMPARE(refused.cause(), Status::Cause::Refused);
        VERIFY_CONTAINS(refused.reason(), u"03/12/2026"_s);
        VERIFY_CONTAINS(refused.reason(), u"lance um estorno em um dia aberto"_s);
        QCOMPARE(book.scalar(u"select count(*) from caixa where descricao = 'Tarde'"_s).toInt(), 0);
        const auto again = second.get();
        QCOMPARE(again.status().cause(), Status::Cause::Refused);
        VERIFY_CONTAINS(again.reason(), u"O dia 03/12/2026 está fechado"_s);
        QCOMPARE(book.count(u"closings"_s), 1);
        QCOMPARE(book.scalar(u"select count(*) from change_log where kind = 'closing'"_s).toInt(),
                 1);
    }
};

LIVRO_TEST(tst_ClosingDesks)
#include "tst_ClosingDesks.moc"
