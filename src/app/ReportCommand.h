#pragma once

#include "core/Result.h"

#include <QCoreApplication>
#include <QDate>
#include <QString>
#include <QStringList>

// "livro-caixa report": the cash-book report of a period written to a PDF or
// an XLSX file without a window, for an accountant's script or a cron job.
// The file is the one the report window exports for the same period and
// account. The book is opened read-only: no desk lock is taken and nothing
// is written to it, so it runs beside a desk that has the book open.
class ReportCommand
{
    Q_DECLARE_TR_FUNCTIONS(ReportCommand)

public:
    // Exit statuses.
    enum Exit { Done = 0, BadInput = 1, NoBook = 2 };

    struct Request
    {
        QDate first;
        QDate last;
        QString account; // as typed; empty for every account
        bool pagePerDay = false;
        QString pdf;
        QString xlsx;
        QString dataDir; // empty: the program's own rules
        QString database;
        bool help = false;
    };

    // Whether the command line is "livro-caixa report ...".
    static bool requested(int argc, char* argv[]);
    // Runs the command; the program's exit status. Needs no display.
    static int run(int argc, char* argv[]);

    // The arguments after "report". A failure names the problem (a day that
    // does not exist, a missing option...) and means exit status 1.
    static Result<Request> parse(const QStringList& arguments);
    // What "livro-caixa report --help" prints.
    static QString help();
    // "dd/MM/yyyy" or "yyyy-MM-dd"; the reason names the option and the day.
    static Result<QDate> parseDay(const QString& option, const QString& text);
};
