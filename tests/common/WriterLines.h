#pragma once

#include "Mutation.h"
#include "book/EntryStore.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdio>

// What the writer processes of the crash and several-desks tests share: the
// accounts they write to, the entries they make, and their report lines,
// each written through at once, since the test reads them after a kill.
inline const QStringList kWriterAccounts{QStringLiteral("CAIXA"), QStringLiteral("BANCO"),
                                         QStringLiteral("SERVIÇOS")};

inline void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// An entry on one of the first `days` days of December 2026, at any time, in
// any of the accounts, received or paid out.
inline EntryStore::Entry randomEntry(Mutation::Random& random, const QString& name, int days)
{
    EntryStore::Entry e;
    e.data = QDate(2026, 12, 1 + int(random.below(days)));
    e.hora = QTime(int(random.below(24)), int(random.below(60)), int(random.below(60)));
    e.account = kWriterAccounts.at(int(random.below(kWriterAccounts.size())));
    e.descricao = name;
    const Money amount = Money::fromUnits(100 * (1 + random.below(1000000)));
    (random.below(2) ? e.entrada : e.saida) = amount;
    return e;
}
