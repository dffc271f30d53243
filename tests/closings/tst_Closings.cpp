#include "ClosingBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "core/SchemaVersion.h"
#include "core/Sql.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay1(2026, 12, 1);
const QDate kDay2(2026, 12, 2); // no entries
const QDate kDay3(2026, 12, 3);
const QDate kDay4(2026, 12, 4); // no entries, after the closed day
const QDate kDay5(2026, 12, 5); // in BANCO

using Write = std::function<Status(ClosingBook&)>;

Status statusOf(const Result<qint64>& r)
{
    return r ? Status::success() : r.status();
}

} // namespace

// Closing a day, the days it locks, and reopening.
class tst_Closings : public QObject
{
    Q_OBJECT

private slots:
    // Closing 03/12 locks 03/12 and every day before it, with or without
    // entries: each way of writing an entry is refused with a message that
    // names the day and tells how to correct, and the refusal writes
    // nothing at all.
    void writesOnClosedDaysAreRefused_data()
    {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("day");
        const auto add = [](ClosingBook& b, const QDate& d) {
            return statusOf(EntryStore(b.db).save(0, ClosingBook::entryOn(d, u"Nova"_s)));
        };
        const auto edit = [](ClosingBook& b, qint64 id, const QDate& to) {
            EntryStore store(b.db);
            const auto loaded = store.load(id).value();
            const auto edited =
                store.saveEdit(loaded, {to, loaded.hora, loaded.account, loaded.ndoc, u"Outra"_s,
                                        *loaded.entrada, *loaded.saida});
            return edited ? Status::success() : edited.status();
        };
        QTest::newRow("new entry on the closed day")
            << Write([=](ClosingBook& b) { return add(b, kDay3); }) << u"03/12/2026"_s;
        QTest::newRow("new entry on an empty day before it")
            << Write([=](ClosingBook& b) { return add(b, kDay2); }) << u"02/12/2026"_s;
        QTest::newRow("entry moved from an open day to a closed one")
            << Write([=](ClosingBook& b) { return edit(b, 3, kDay2); }) << u"02/12/2026"_s;
        QTest::newRow("entry moved from a closed day to an open one")
            << Write([=](ClosingBook& b) { return edit(b, 2, kDay5); }) << u"03/12/2026"_s;
        QTest::newRow("entry saved by id, as the register does") << Write([](ClosingBook& b) {
            return statusOf(EntryStore(b.db).save(1, ClosingBook::entryOn(kDay1, u"Outra"_s)));
        }) << u"01/12/2026"_s;
        QTest::newRow("delete of an entry of an earlier day")
            << Write([](ClosingBook& b) { return EntryStore(b.db).remove(1); }) << u"01/12/2026"_s;
    }
    void writesOnClosedDaysAreRefused()
    {
        QFETCH(Write, write);
        QFETCH(QString, day);
        ClosingBook book;
        book.close(kDay3, "70,00");
        const QStringList entries = book.strings(u"select id || descricao || data from caixa"_s);
        const int logged = book.count(u"change_log"_s);

        const Status refused = write(book);
        QVERIFY(!refused.ok());
        QCOMPARE(refused.cause(), Status::Cause::Refused);
        VERIFY_CONTAINS(refused.reason(), day);
        VERIFY_CONTAINS(refused.reason(), u"lance um estorno em um dia aberto"_s);
        QCOMPARE(book.strings(u"select id || descricao || data from caixa"_s), entries);
        QCOMPARE(book.count(u"change_log"_s), logged);
    }

    // A count that matches the book, or a difference the user chose not to
    // enter: the closing records the figures, who closed, when and where,
    // and enters nothing.
    void closingWithoutAnEntry_data()
    {
        QTest::addColumn<QString>("counted");
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("no difference") << u"70,00"_s << u"CAIXA"_s << u"700000|0"_s;
        QTest::newRow("difference not entered") << u"60,00"_s << QString() << u"600000|-100000"_s;
    }
    void closingWithoutAnEntry()
    {
        QFETCH(QString, counted);
        QFETCH(QString, account);
        QFETCH(QString, recorded);
        ClosingBook book;
        const QDateTime from = book.bookNow();
        const Closings::Closing c = book.close(kDay3, counted.toUtf8().constData(), account);
        const QDateTime to = book.bookNow();
        QCOMPARE(c.computed.format(), u"70,00"_s);
        QVERIFY(!c.entryId);
        QCOMPARE(book.count(u"caixa"_s), 3);
        QCOMPARE(book.strings(u"select data || '|' || computed || '|' || counted || '|' || "
                              "difference || '|' || closed_by from closings"_s),
                 QStringList{u"2026-12-03|700000|"_s + recorded + u"|sem login"_s});
        const QVariant closedAt = book.scalar(u"select closed_at from closings"_s);
        QVERIFY2(ClosingBook::within(closedAt, from, to), qPrintable(closedAt.toString()));
        QCOMPARE(book.scalar(u"select closed_on from closings"_s).toString(),
                 WriteContext::thisComputer());
        QCOMPARE(*Closings(book.db).lockedThrough(), kDay3);
    }

    // More cash than the book says is a "Sobra de caixa" received in the
    // chosen account (less, a "Quebra de caixa" paid out: the closing
    // window's test), dated on the closed day at the moment of closing; the
    // closing points at it and the account's balance follows.
    void closingWithDifferenceEntersIt()
    {
        ClosingBook book;
        const Closings::Closing c = book.close(kDay3, "72,00", u"BANCO"_s);
        QVERIFY(c.entryId);
        QCOMPARE(book.strings(u"select descricao || '|' || data || '|' || idconta || '|' || "
                              "entrada || '|' || saida from caixa where id = ?"_s,
                              {*c.entryId}),
                 QStringList{u"Sobra de caixa|2026-12-03|2|20000|0"_s});
        QCOMPARE(book.scalar(u"select hora from caixa where id = ?"_s, {*c.entryId}),
                 book.scalar(u"select substr(closed_at, 12) from closings"_s));
        QCOMPARE(book.scalar(u"select entry_id from closings"_s).toLongLong(), *c.entryId);
        QCOMPARE(AccountBook(book.db).ConsultaSaldo(2).valueOr({}).format(), u"12,00"_s);
    }

    // Every day is open while nothing is closed. A day not yet come cannot
    // be closed, nor one already closed (here by another desk), nor one
    // before the latest closed; the book itself refuses a second open
    // closing of a day whoever writes it, and keeps its closings and its
    // change log whatever program writes it. The day after the latest
    // closed one is open, empty or not.
    void closingRefusals()
    {
        ClosingBook book;
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay1, u"Antes"_s)));
        QVERIFY(EntryStore(book.db).remove(4).ok());
        const QDate tomorrow = book.bookNow().date().addDays(1);
        QVERIFY(!Closings(book.db).close({tomorrow, Money(), QString()}));
        DbConnection other;
        QVERIFY(book.openOtherDesk(other).ok());
        QVERIFY(Closings(other).close({kDay3, ClosingBook::reais("70,00"), QString()}));
        for (const QDate& day : {kDay3, kDay1}) {
            const auto again = Closings(book.db).close({day, Money(), QString()});
            QCOMPARE(again.status().cause(), Status::Cause::Refused);
            VERIFY_CONTAINS(again.reason(), u"está fechado"_s);
        }
        for (const QString& sql :
             {u"insert into closings (data, computed, counted, difference, closed_by, "
              "closed_at, closed_on) values ('2026-12-03', 0, 0, 0, 'x', '2026-12-05 10:00:00', "
              "'x')"_s,
              u"delete from closings"_s, u"update closings set counted = 1"_s,
              u"delete from change_log"_s, u"update change_log set user_name = 'x'"_s})
            QVERIFY2(!Sql::exec(book.db.database(), sql), qPrintable(sql));
        QCOMPARE(book.count(u"closings"_s), 1);
        QCOMPARE(book.count(u"change_log"_s), 3);
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay4, u"Estorno"_s)));
        QVERIFY(EntryStore(book.db).remove(3).ok());
    }

    // A book of the version before gets the closings and the change log
    // when opened (the copy kept of it first: the schema version's test).
    void olderBookGetsTheTables()
    {
        ClosingBook book;
        book.exec(u"drop table closings"_s);
        book.exec(u"drop table change_log"_s);
        book.exec(u"update schema_version set version = 1"_s);
        QVERIFY(book.reopenBook().ok());
        QCOMPARE(book.scalar(u"select version from schema_version"_s).toInt(),
                 SchemaVersion::current());
        book.close(kDay3, "70,00");
        QCOMPARE(book.count(u"closings"_s), 1);
    }
};

LIVRO_TEST(tst_Closings)
#include "tst_Closings.moc"
