#pragma once

#include "TestBook.h"
#include "book/Closings.h"
#include "book/EntryStore.h"
#include "core/Money.h"

#include <QString>

// Two accounts and three days of entries: 01/12 (100,00 in), 03/12 (30,00
// out) and 05/12 (10,00 in, in BANCO). The book says 70,00 at the end of
// 03/12 and 80,00 at the end of 05/12.
struct ClosingBook : TestBook
{
    ClosingBook()
    {
        addAccount(QStringLiteral("CAIXA"));
        addAccount(QStringLiteral("BANCO"));
        addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:00:00"), 1,
                 QStringLiteral("Abertura"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        addEntry(QStringLiteral("2026-12-03"), QStringLiteral("10:00:00"), 1, QStringLiteral("Luz"),
                 QStringLiteral("0,00"), QStringLiteral("30,00"));
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("11:00:00"), 2,
                 QStringLiteral("Venda"), QStringLiteral("10,00"), QStringLiteral("0,00"));
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
        return {day,           QTime(12, 0), QStringLiteral("CAIXA"), QString(), description,
                reais("5,00"), Money()};
    }

    int count(const QString& table)
    {
        return scalar(QStringLiteral("select count(*) from ") + table).toInt();
    }
};
