#pragma once

#include "core/Result.h"
#include "core/ServerAddress.h"
#include "core/WriteContext.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// The single open connection to the cash book: a file (SQLite) or a
// database on a PostgreSQL server that several desks share. Every statement
// of the program runs on it. Opening checks that the file or database really
// is a cash book before anything is written to it; one that fails the check
// is left untouched and the connection stays closed, so every later
// statement fails.
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
    // `location` is a file's path or a server's URL (location()); the
    // password this program was given for that server is used again.
    Status openForReading(const QString& location);
    // The same, for the book another connection has open.
    Status openSameBookAs(const DbConnection& other);

    // Connects to a server book. An empty database becomes a new book; an
    // older book is brought to the current version; a database that holds
    // other tables is refused and left untouched. A reader (the command-line
    // report) writes nothing: an empty database or a book that needs an
    // upgrade is refused instead.
    enum class ServerUse { Desk, Reader };
    Status openServer(const ServerAddress& address, ServerUse use = ServerUse::Desk);
    // After a failed openServer: the server wants a password it was not given.
    bool passwordRefused() const { return m_passwordRefused; }
    // After openServer: the database was empty, and this connection made
    // the new book in it.
    bool createdBook() const { return m_createdBook; }
    bool isServer() const { return m_server.has_value(); }
    // The file's path, or the server's URL without its password.
    QString location() const;
    // Reads the server's clock: "now" for what the book records.
    Result<QDateTime> serverNow() const;
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
    // On a server book whose connection dropped (a restarted server, a
    // network that came back), this connects again first: the action that
    // found it lost failed and said so, the next one goes on.
    QSqlDatabase database() const;
    const QString& filePath() const { return m_filePath; }
    const QString& connectionName() const { return m_name; }

    // A new row of a server book whose commit went out but whose answer never
    // came back (the connection dropped): it may or may not be in the book.
    // The writer that made it looks it up before it writes again.
    void setUnconfirmedRow(std::optional<qint64> id) { m_unconfirmedRow = id; }
    std::optional<qint64> unconfirmedRow() const { return m_unconfirmedRow; }

private:
    Status openFile(const QString& filePath, bool readOnly);
    Status createNewBook(const QString& filePath);
    Status checkContents();
    Status checkPages();
    Status prepareForUse();
    Status bringUpToDate();
    void useDriver(const QString& driver);
    Status connectToServer();
    Status prepareServerBook();
    void reconnectIfLost() const;
    Status applySessionSettings(const QSqlDatabase& db) const;

    QString m_name;
    QString m_filePath;
    bool m_readOnly = false;
    bool m_indexesDamaged = false;
    bool m_passwordRefused = false;
    bool m_createdBook = false;
    QString m_driver;
    std::optional<ServerAddress> m_server;
    mutable qint64 m_lastReconnect = 0; // when the last attempt began (ms)
    bool m_serverInUse = false;         // open on a server and not closed on purpose
    std::optional<qint64> m_unconfirmedRow;
    WriteContext m_writer;
};
