#pragma once

#include "core/Result.h"

#include <QCoreApplication>
#include <QString>

// The program's command line: livro-caixa [--data-dir DIR] [--disable-login]
// [--help] [--version]. It is read before any window can be shown, so a
// mistake in it is told without a display.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    struct Options
    {
        QString dataDir;
        bool disableLogin = false;
        QString database;   // a server book's URL, instead of the data folder's file
        QString copyBookTo; // a server database to copy the data folder's book into
    };

    // Reads the options of the running application. --help and --version
    // print and end the program with status 0; an unknown option or a
    // missing value prints the usage error and ends it with status 1.
    static Options parse(const QCoreApplication& app);

    // What --help says the program is, with the data folder's three rules and
    // the per-user folder of this user.
    static QString description(const QString& userDataDir);

    // The data folder the options lead to (see DataFolder::resolve), not yet
    // created.
    static QString dataFolder(const Options& options);

    // Makes sure the folder exists and can hold a book. The reason of a
    // failure names the folder and is meant for the user.
    static Status prepare(const QString& dataDir);

    // --disable-login: switches login off in the folder's book and tells the
    // outcome on the terminal. A folder without a book is refused, so no
    // empty book is created there. The program's exit status.
    static int disableLogin(const QString& dataDir);
};
