#pragma once

#include "TestBook.h"
#include "book/Closings.h"
#include "book/EntryStore.h"
#include "core/Formats.h"
#include "core/Money.h"

#include <QString>

using namespace Qt::StringLiterals;

// Two accounts and three days of entries: 01/12 (100,00 in), 03/12 (30,00
// out) and 05/12 (10,00 in, in BANCO). The book says 70,00 at the end of
// 03/12 and 80,00 at the end of 05/12. On a file book or a server book
// alike (see TestBook).
struct ClosingBook : TestBook
{
    ClosingBook()
    {
        addAccount(u"CAIXA"_s);
        addAccount(u"BANCO"_s);
        addEntry(u"2026-12-01"_s, u"09:00:00"_s, 1, u"Abertura"_s, u"100,00"_s, u"0,00"_s);
        addEntry(u"2026-12-03"_s, u"10:00:00"_s, 1, u"Luz"_s, u"0,00"_s, u"30,00"_s);
        addEntry(u"2026-12-05"_s, u"11:00:00"_s, 2, u"Venda"_s, u"10,00"_s, u"0,00"_s);
        // A server book dates what it records by the server's clock; the
        // desk's "today" agrees with it, as a shop's desks do.
        if (onServer())
            clock.set(bookNow());
    }

    static Money reais(const char* text) { return *Money::parse(QString::fromUtf8(text)); }

    // Closes a day, failing the test when the book refuses.
    Closings::Closing close(const QDate& day, const char* counted,
                            const QString& differenceAccount = QString())
    {
        auto closed = Closings(db).close({day, reais(counted), differenceAccount});
        if (!closed)
            qFatal("the day could not be closed: %s", qPrintable(closed.reason()));
        return *closed;
    }

    static EntryStore::Entry entryOn(const QDate& day, const QString& description)
    {
        return {day, QTime(12, 0), u"CAIXA"_s, QString(), description, reais("5,00"), Money()};
    }

    int count(const QString& table) { return scalar(u"select count(*) from "_s + table).toInt(); }

    // The moment the book dates a change at now: the desk's fixed clock on
    // a file book, the server's clock on a server book.
    QDateTime bookNow()
    {
        const auto now = db.now();
        if (!now)
            qFatal("the book's clock could not be read: %s", qPrintable(now.reason()));
        return Formats::momentFromDb(Formats::dbMoment(*now));
    }

    // Whether a moment the book stored ("yyyy-MM-dd HH:mm:ss") lies between
    // two readings of bookNow(); on a file book both are the fixed clock.
    static bool within(const QVariant& stored, const QDateTime& from, const QDateTime& to)
    {
        const QDateTime at = Formats::momentFromDb(stored);
        return at.isValid() && from <= at && at <= to;
    }

    // Another desk on the same book: a second connection to the file or to
    // the server's database.
    Status openOtherDesk(DbConnection& other)
    {
        return onServer() ? other.openServer(*m_server) : other.open(bookPath());
    }

    // Closes the book and opens it again, as the next start does.
    Status reopenBook()
    {
        db.close();
        return onServer() ? db.openServer(*m_server) : db.open(bookPath());
    }

    // Makes the book refuse every insert into a table, whoever writes, as a
    // full disk or a broken server would; allowInserts() ends it.
    void refuseInserts(const QString& table)
    {
        if (!onServer()) {
            exec(QStringLiteral("create trigger refuse_%1 before insert on %1 "
                                "begin select raise(abort, 'recusado'); end")
                     .arg(table));
            return;
        }
        exec(QStringLiteral("create or replace function refuse_insert() returns trigger "
                            "language plpgsql as $$ begin raise exception 'recusado'; end $$"));
        exec(QStringLiteral("create trigger refuse_%1 before insert on %1 "
                            "for each row execute function refuse_insert()")
                 .arg(table));
    }
    void allowInserts(const QString& table)
    {
        exec(onServer() ? u"drop trigger refuse_%1 on %1"_s.arg(table)
                        : u"drop trigger refuse_%1"_s.arg(table));
    }
};
