#pragma once

#include "core/BookLock.h"
#include "core/Money.h"
#include "core/Settings.h"

#include <QDate>
#include <QString>

#include <memory>

class Clock;
class DbConnection;
class Dialogs;
class Windows;

// Who is logged in: "c" is the common level, "r" the restricted level.
struct UserInfo
{
    QString userName;
    QString userLevel = QStringLiteral("c");

    bool isRestricted() const { return userLevel == u"r"; }
};

// The shared values of one run of the program, and the services every window
// uses. main() creates one; each test builds its own.
struct Session
{
    // 01/01/1900 in ReportStartDate means that no report period is in force.
    static QDate noReportStartDate() { return QDate(1900, 1, 1); }

    Session(DbConnection& connection, Dialogs& dialogService, Clock& sessionClock,
            QString dataFolder)
        : db(connection), dialogs(dialogService), clock(sessionClock),
          dataDir(std::move(dataFolder))
    {
    }

    DbConnection& db;
    Dialogs& dialogs;
    Clock& clock;
    QString dataDir;
    // The helper that reads the older program's Access books; empty means the
    // one beside the running program.
    QString accessReader;
    // The server book's address ("postgresql://…", from --database or the
    // data folder's connection file); empty for the file book of the data
    // folder.
    QString serverUrl;
    // This program's hold on the book of the data folder, taken at start-up
    // and kept for the whole run.
    std::unique_ptr<BookLock> bookLock;
    // Opens windows for other windows; the application's shell in the
    // program, a test's choice in the tests.
    Windows* windows = nullptr;
    // Whether a cash book is open. Without one (a file that is no cash book,
    // a conversion that was cancelled) the windows say so with this reason
    // and offer nothing that needs a book.
    bool bookOpen = true;
    QString noBookReason;

    UserInfo CurrentUser;
    SettingsValues Settings;
    // The entry the entry form last opened (0 for a new one) and whether it
    // saved, kept for tracing; the form hands the saved id back itself.
    qint64 EditEntryId = 0;
    bool EntrySaved = false;
    Money OpeningBalance;
    QDate ReportStartDate = noReportStartDate();
    qint64 ReportAccountId = 0;
    QString ReportPeriodText;
    bool NewPagePerDay = false;
};
