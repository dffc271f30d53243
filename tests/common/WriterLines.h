#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

// What the writer processes of the crash and several-desks tests share: the
// accounts they write to, and their report lines, each written through at
// once, since the test reads them after a kill.
inline const QStringList kWriterAccounts{QStringLiteral("CAIXA"), QStringLiteral("BANCO"),
                                         QStringLiteral("SERVIÇOS")};

inline void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
