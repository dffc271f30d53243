#pragma once

#include <QCoreApplication>
#include <QString>

class QWidget;
struct Session;

// The restore of a backup as the user sees it: the book replaced
// (BookRestore), reopened as at start-up, and the outcome told, with the day
// the book now ends on and where the book as it was went.
class BackupRestore
{
    Q_DECLARE_TR_FUNCTIONS(BackupRestore)

public:
    // Whether this book can be restored here; when not, the user is told why.
    static bool possible(QWidget* parent, Session& session);
    // True when the book was replaced. A server book is not: the backup
    // goes into an empty database the user names.
    static bool run(QWidget* parent, Session& session, const QString& backupPath);

private:
    static void toServer(QWidget* parent, Session& session, const QString& backupPath);
};
