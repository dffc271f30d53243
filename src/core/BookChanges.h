#pragma once

#include <QObject>
#include <QSqlDriver>
#include <QTimer>

class DbConnection;

// Tells a window that another desk changed a server book's entries or
// accounts. The server announces each change (a trigger on those tables);
// a desk's own changes are not told back to it. A connection that was lost
// and made again listens again, and says that something may have changed
// meanwhile. A file book, used by one program at a time, never changes
// behind the program's back: nothing is told.
class BookChanges : public QObject
{
    Q_OBJECT

public:
    explicit BookChanges(DbConnection& db, QObject* parent = nullptr);

signals:
    void changed();

private:
    void listen();
    void onNotification(const QString& name, QSqlDriver::NotificationSource source);

    DbConnection& m_db;
    QTimer m_check;
    QSqlDriver* m_driver = nullptr;
};
