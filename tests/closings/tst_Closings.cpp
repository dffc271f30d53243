#include "ClosingBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "core/SchemaVersion.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay1(2026, 12, 1);
const QDate kDay2(2026, 12, 2); // no entries
const QDate kDay3(2026, 12, 3);
const QDate kDay4(2026, 12, 4); // no entries, after the closed day
const QDate kDay5(2026, 12, 5);

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
        QTest::newRow("edit of an entry of the closed day")
            << Write([=](ClosingBook& b) { return edit(b, 2, kDay3); }) << u"03/12/2026"_s;
        QTest::newRow("edit of an entry of an earlier day")
            << Write([=](ClosingBook& b) { return edit(b, 1, kDay1); }) << u"01/12/2026"_s;
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
        QVERIFY2(refused.reason().contains(day), qPrintable(refused.reason()));
        QVERIFY2(refused.reason().contains(u"lance um estorno em um dia aberto"_s),
                 qPrintable(refused.reason()));
        QCOMPARE(book.strings(u"select id || descricao || data from caixa"_s), entries);
        QCOMPARE(book.count(u"change_log"_s), logged);
    }

    // The day after the latest closed one is open, empty or not, and so is
    // every day while nothing is closed.
    void laterDaysStayOpen()
    {
        ClosingBook book;
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay1, u"Antes"_s)));
        QVERIFY(EntryStore(book.db).remove(4).ok());
        book.close(kDay3, "70,00");
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay4, u"Estorno"_s)));
        QVERIFY(EntryStore(book.db).remove(3).ok());
    }

    // A count that matches the book: the closing records the figures, who
    // closed, when and where, and enters nothing.
    void closingWithoutDifference()
    {
        ClosingBook book;
        const QDateTime from = book.bookNow();
        const Closings::Closing c = book.close(kDay3, "70,00", u"CAIXA"_s);
        const QDateTime to = book.bookNow();
        QCOMPARE(c.computed.format(), u"70,00"_s);
        QCOMPARE(c.difference.format(), u"0,00"_s);
        QVERIFY(!c.entryId);
        QCOMPARE(book.count(u"caixa"_s), 3);
        QCOMPARE(book.strings(u"select data || '|' || computed || '|' || counted || '|' || "
                              "difference || '|' || closed_by from closings"_s),
                 QStringList{u"2026-12-03|700000|700000|0|sem login"_s});
        const QVariant closedAt = book.scalar(u"select closed_at from closings"_s);
        QVERIFY2(ClosingBook::within(closedAt, from, to), qPrintable(closedAt.toString()));
        QCOMPARE(book.scalar(u"select closed_on from closings"_s).toString(),
                 WriteContext::thisComputer());
        QCOMPARE(*Closings(book.db).lockedThrough(), kDay3);
    }

    // Less cash than the book says is a "Quebra de caixa" paid out of the
    // chosen account, more is a "Sobra de caixa" received, dated on the
    // closed day at the moment of closing; the closing points at it.
    void closingWithDifferenceEntersIt_data()
    {
        QTest::addColumn<QString>("counted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quebra") << u"65,50"_s << u"Quebra de caixa|2026-12-03|0|45000"_s;
        QTest::newRow("sobra") << u"72,00"_s << u"Sobra de caixa|2026-12-03|20000|0"_s;
    }
    void closingWithDifferenceEntersIt()
    {
        QFETCH(QString, counted);
        QFETCH(QString, expected);
        ClosingBook book;
        const Closings::Closing c = book.close(kDay3, counted.toUtf8().constData(), u"BANCO"_s);
        QVERIFY(c.entryId);
        QCOMPARE(book.strings(u"select descricao || '|' || data || '|' || entrada || '|' || "
                              "saida from caixa where id = ?"_s,
                              {*c.entryId}),
                 QStringList{expected});
        QCOMPARE(book.scalar(u"select hora from caixa where id = ?"_s, {*c.entryId}),
                 book.scalar(u"select substr(closed_at, 12) from closings"_s));
        QCOMPARE(book.scalar(u"select idconta from caixa where id = ?"_s, {*c.entryId}).toInt(), 2);
        QCOMPARE(book.scalar(u"select entry_id from closings"_s).toLongLong(), *c.entryId);
        // The stored balance of the account follows.
        QCOMPARE(*AccountBook(book.db).ConsultaSaldo(2),
                 Money().plus(ClosingBook::reais("10,00"))->plus(c.difference).value());
    }

    // A difference the user chose not to enter is only recorded.
    void differenceWithoutAccountIsOnlyRecorded()
    {
        ClosingBook book;
        const Closings::Closing c = book.close(kDay3, "60,00");
        QCOMPARE(c.difference.format(), u"-10,00"_s);
        QVERIFY(!c.entryId);
        QCOMPARE(book.count(u"caixa"_s), 3);
    }

    // A day not yet come cannot be closed, nor one already closed; an
    // earlier day than the latest closed one is closed already.
    void closingRefusals()
    {
        ClosingBook book;
        const QDate tomorrow = book.bookNow().date().addDays(1);
        QVERIFY(!Closings(book.db).close({tomorrow, Money(), QString()}));
        book.close(kDay3, "70,00");
        for (const QDate& day : {kDay3, kDay1}) {
            const auto again = Closings(book.db).close({day, Money(), QString()});
            QVERIFY(!again);
            QVERIFY2(again.reason().contains(u"está fechado"_s), qPrintable(again.reason()));
        }
        QCOMPARE(book.count(u"closings"_s), 1);
    }

    // Two desks that close the same day at the same moment close it once:
    // the second finds it closed, and the book itself refuses a second open
    // closing of a day whoever writes it.
    void twoDesksCloseADayOnce()
    {
        ClosingBook book;
        DbConnection other;
        QVERIFY(book.openOtherDesk(other).ok());
        QVERIFY(Closings(other).close({kDay3, ClosingBook::reais("70,00"), QString()}));
        const auto second = Closings(book.db).close({kDay3, ClosingBook::reais("70,00"), {}});
        QVERIFY(!second);
        QCOMPARE(second.status().cause(), Status::Cause::Refused);
        QVERIFY(!Sql::exec(book.db.database(),
                           u"insert into closings (data, computed, counted, difference, "
                           "closed_by, closed_at, closed_on) values ('2026-12-03', 0, 0, 0, "
                           "'x', '2026-12-05 10:00:00', 'x')"_s));
        QCOMPARE(book.count(u"closings"_s), 1);
    }

    // The count was made against the figure the window showed: when a
    // desk has saved an entry of the day since, nothing is closed and the
    // refusal gives the figure the book has now.
    void closingAgainstAnOutdatedFigure()
    {
        ClosingBook book;
        const Money shown = Closings(book.db).balancesAt(kDay3)->total;
        DbConnection other;
        QVERIFY(book.openOtherDesk(other).ok());
        QVERIFY(EntryStore(other).save(0, ClosingBook::entryOn(kDay3, u"Outra estação"_s)));

        const auto refused =
            Closings(book.db).close({kDay3, ClosingBook::reais("70,00"), u"CAIXA"_s, shown});
        QVERIFY(!refused);
        QCOMPARE(refused.status().cause(), Status::Cause::Refused);
        QVERIFY2(refused.reason().contains(u"agora é 75,00"_s), qPrintable(refused.reason()));
        QCOMPARE(book.count(u"closings"_s), 0);
        QCOMPARE(book.count(u"caixa"_s), 4);
        const auto closed = Closings(book.db).close(
            {kDay3, ClosingBook::reais("75,00"), u"CAIXA"_s, ClosingBook::reais("75,00")});
        QVERIFY2(closed, qPrintable(closed.reason()));
        QVERIFY(!closed->entryId);
    }

    // A restricted user cannot reopen; the reason is required; reopening
    // a day in the middle reopens it and every later closed day, never the
    // earlier ones, and keeps every closing with who reopened it and why.
    void reopening()
    {
        ClosingBook book;
        book.close(kDay1, "100,00");
        book.close(kDay3, "70,00");
        book.close(kDay5, "80,00");
        book.session.CurrentUser = {u"ana"_s, u"r"_s};
        QVERIFY(!Closings(book.db).reopen(kDay3, u"erro de digitação"_s));
        book.session.CurrentUser = {u"maria"_s, u"c"_s};
        QVERIFY(!Closings(book.db).reopen(kDay3, u"   "_s));
        QCOMPARE(*Closings(book.db).lockedThrough(), kDay5);

        const auto reopened = Closings(book.db).reopen(kDay3, u"erro de digitação"_s);
        QVERIFY(reopened);
        QCOMPARE(reopened->size(), 2);
        QCOMPARE(*Closings(book.db).lockedThrough(), kDay1);
        QCOMPARE(book.count(u"closings"_s), 3);
        QCOMPARE(book.strings(u"select data || '|' || coalesce(reopened_by, '') || '|' || "
                              "coalesce(reopen_reason, '') from closings order by data"_s),
                 QStringList({u"2026-12-01||"_s, u"2026-12-03|maria|erro de digitação"_s,
                              u"2026-12-05|maria|erro de digitação"_s}));
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay3, u"Corrigida"_s)));
        // A reopened day can be closed again; the old closing stays.
        book.close(kDay3, "75,00");
        QCOMPARE(book.count(u"closings"_s), 4);
    }

    // The book keeps its closings whatever program writes it.
    void closingsAreNeverDeleted()
    {
        ClosingBook book;
        book.close(kDay3, "70,00");
        QVERIFY(!Sql::exec(book.db.database(), u"delete from closings"_s));
        QVERIFY(!Sql::exec(book.db.database(), u"update closings set counted = 1"_s));
        QCOMPARE(book.count(u"closings"_s), 1);
    }

    // A book of the version before gets the closings and the change log
    // when opened, after a copy of it as it was.
    void olderBookGetsTheTables()
    {
        ClosingBook book;
        book.exec(u"drop table closings"_s);
        book.exec(u"drop table change_log"_s);
        book.exec(u"update schema_version set version = 1"_s);
        QVERIFY(book.reopenBook().ok());
        QCOMPARE(book.scalar(u"select version from schema_version"_s).toInt(),
                 SchemaVersion::current());
        // A server keeps its own backups; a file is copied first, under the
        // name of the version the upgrade reaches.
        if (!book.onServer())
            QVERIFY(QFileInfo::exists(QDir(book.dir())
                                          .filePath(u"Backups/bd-antes-da-versao-%1.mdb"_s.arg(
                                              SchemaVersion::current()))));
        book.close(kDay3, "70,00");
        QCOMPARE(book.count(u"closings"_s), 1);
    }
};

LIVRO_TEST(tst_Closings)
#include "tst_Closings.moc"
