#pragma once

#include <QCoreApplication>
#include <QString>

// What the command line does for a book on a PostgreSQL server.
class ServerCommands
{
    Q_DECLARE_TR_FUNCTIONS(ServerCommands)

public:
    // The server book a desk uses: the one --database names, else the one
    // the data folder's connection file names; empty for the file book.
    static QString serverUrlFor(const QString& dataDir, const QString& databaseOption);

    // --copy-book-to URL: copies the data folder's book into the empty
    // database at URL, checks the copy and says "pronto"; a database that is
    // not empty is refused and left as it is. The program's exit status.
    static int copyBookTo(const QString& dataDir, const QString& url);

    // --disable-login on a server book is refused: login is switched in the
    // settings there, by a common-level user. The program's exit status.
    static int refuseDisableLogin(const QString& url);
};
