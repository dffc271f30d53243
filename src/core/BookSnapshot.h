#pragma once

#include "core/Status.h"

#include <QCoreApplication>
#include <QString>

class QIODevice;
struct sqlite3;
struct sqlite3_file;

// A cash book file held still while it is copied: a read transaction of its
// own keeps every writer out (with the rollback journal no write reaches the
// file while a reader holds it), and the bytes are read through SQLite's own
// handle of the file, so no lock that the program's connections hold on it
// is lost when the copy ends. The copy is the book byte for byte.
class BookSnapshot
{
    Q_DECLARE_TR_FUNCTIONS(BookSnapshot)

public:
    explicit BookSnapshot(const QString& bookPath);
    ~BookSnapshot();
    BookSnapshot(const BookSnapshot&) = delete;
    BookSnapshot& operator=(const BookSnapshot&) = delete;

    // A failure when the book could not be held (missing, unreadable, locked
    // by a writer for too long, or kept in a journal mode a byte copy misses).
    const Status& status() const { return m_status; }
    qint64 size() const { return m_size; }

    // Writes every byte of the book into target, which the caller opened,
    // and later commits or discards.
    Status writeTo(QIODevice& target) const;

    // SQLite's quick check of the pages of the held book, on a connection of
    // its own that reads the same held moment: a damaged book must not be
    // copied as if it were sound. It may run on another thread while the
    // copy is made and compared.
    Status checkStructure() const;

    // Reads a copy back and compares it with the book byte for byte: a copy
    // that differs anywhere, even where SQLite's own checks would not look,
    // fails. The copy is read as the system gives it, which for a copy just
    // written and flushed is from memory: what reached the disk is vouched
    // for by the flush's own report.
    Status compareWith(const QString& copyPath) const;

private:
    Status read(qint64 offset, char* data, qint64 length) const;
    void hold();

    QString m_path;
    sqlite3* m_handle = nullptr;
    sqlite3_file* m_file = nullptr;
    qint64 m_size = 0;
    Status m_status = Status::success();
};
