#pragma once

#include "core/Status.h"

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
    // schema is created first. The failure text is meant for the user.
    Status open(const QString& filePath);
    // Opens a book that another connection of this program has opened and
    // checked, for reading only: work moved off the window's thread reads
    // on a connection of its own.
    Status openForReading(const QString& filePath);
    void close();

    bool isOpen() const;
    QSqlDatabase database() const;
    const QString& filePath() const { return m_filePath; }
    const QString& connectionName() const { return m_name; }

private:
    Status createNewBook(const QString& filePath);
    Status checkContents();
    void prepareForUse();

    QString m_name;
    QString m_filePath;
};
