#pragma once

#include "core/Money.h"
#include "core/Status.h"

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <memory>
#include <optional>

class DbConnection;

// Reads the rows of one query column by column. On an SQLite book it reads
// straight through SQLite's own interface, which is what keeps a grid of a
// million entries fast; on any other engine it goes through QSqlQuery. The
// statement text is the same for both.
class RowReader
{
public:
    enum class Path { Fastest, Portable };
    // Portable forces the QSqlQuery path, which any engine takes.
    RowReader(DbConnection& db, const QString& sql, const QVariantList& values = {},
              Path path = Path::Fastest);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // A failure, with the database's reason, when the statement could not
    // be run or a row could not be read.
    Status status() const;
    // The index of a result column, or -1 when the result has no such column.
    int indexOf(const QString& column) const;

    // Steps to the next row; false at the end or on an error (see status()).
    bool next();

    bool isNull(int column) const;
    std::optional<qint64> integer(int column) const;
    // A text that stays valid until the next call of next().
    QStringView text(int column) const;
    // The same text as UTF-8, as SQLite keeps it: reading it so costs no
    // conversion. Read a column either way, not both.
    QByteArrayView utf8(int column) const;
    // "yyyy-MM-dd" (with or without a time part), and "HH:mm[:ss]".
    QDate date(int column) const;
    QTime time(int column) const;
    // An amount: integer ten-thousandths, or a REAL or text another tool
    // stored. Nothing for a null value or a column the result lacks (-1).
    std::optional<Money> money(int column) const;
    // Any value as Qt sees it, for columns stored in an unexpected type.
    QVariant value(int column) const;
    bool isInteger(int column) const;

    class Backend;

private:
    std::unique_ptr<Backend> m_backend;
};
