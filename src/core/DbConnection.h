#pragma once

#include "core/Result.h"
#include "core/WriteContext.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

// The single open connection to the cash book file. Every statement of the
// program runs on it. Opening checks that the file really is a cash book
// before anything is written to it; a file that fails the check is left
// untouched and the connection stays closed, so every later statement fails.
class DbConnection
{
public:
    // Each instance has its own Qt connection name, so tests may open several.
    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Opens filePath; when no file exists there, a new book with the full
    // schema is created first. An older book is brought to the current
    // version; a book of a newer program is refused. The failure text is
    // meant for the user.
    Status open(const QString& filePath);
    // Opens a book only to read it (a backup being checked or restored):
    // nothing is created, changed or recorded, and the whole file is checked.
    Status openReadOnly(const QString& filePath);
    // Opens a book that another connection of the program already opened
    // (and checked and brought up to date), for reading only: what work on
    // another thread uses, beside the one connection that writes.
    Status openForReading(const QString& filePath);
    // A book opened for writing and closed cleanly is recorded as such, so
    // the next open knows whether it changed meanwhile.
    void close();

    // After a failed open: the file is sound but for indexes that disagree
    // with their tables, which rebuilding them repairs (BookHealth).
    bool indexesDamaged() const { return m_indexesDamaged; }

    // Who writes through this connection, from which computer, and the
    // clock of a file book (see WriteContext); a connection outside any
    // session signs as nobody logged in.
    void setWriteContext(const WriteContext& context) { m_writer = context; }
    const WriteContext& writeContext() const { return m_writer; }
    // The moment a change is dated at. A file book is written by one desk
    // at a time, whose clock (the session's) is the book's; a server book
    // asks its server, so that every desk of one book dates its changes by
    // one clock.
    Result<QDateTime> now() const;

    bool isOpen() const;
    QSqlDatabase database() const;
    const QString& filePath() const { return m_filePath; }
    const QString& connectionName() const { return m_name; }

private:
    Status openFile(const QString& filePath, bool readOnly);
    Status createNewBook(const QString& filePath);
    Status checkContents();
    Status checkPages();
    Status prepareForUse();
    Status bringUpToDate();

    QString m_name;
    QString m_filePath;
    bool m_readOnly = false;
    bool m_indexesDamaged = false;
    WriteContext m_writer;
};
