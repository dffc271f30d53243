#pragma once

#include "core/Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The tables of an Access book as the reader wrote them (see
// ReaderProtocol.h), still in the reader's text form.
struct SourceColumn
{
    QString name;
    int type = 0;
    int size = 0;
};

struct SourceTable
{
    QString name;
    // The count in the table definition, which the reader checked.
    qint64 declaredRows = 0;
    QList<SourceColumn> columns;
    // The fields of each row, tab-separated and escaped, in storage order.
    QList<QByteArrayView> rows;

    // The column of that name in any case, or -1.
    int indexOf(QStringView column) const;
};

// The tab-separated fields of one line of the reader.
QList<QByteArrayView> splitFields(QByteArrayView line);

// One row split into its fields.
class SourceRow
{
public:
    explicit SourceRow(QByteArrayView line);

    qsizetype size() const { return m_fields.size(); }
    bool isNull(qsizetype i) const;
    // The field unescaped: UTF-8 text, or the reader's text of a number or date.
    QByteArray bytes(qsizetype i) const;
    QString text(qsizetype i) const { return QString::fromUtf8(bytes(i)); }

private:
    QList<QByteArrayView> m_fields;
};

class SourceBook
{
public:
    // What the reader wrote and how it ended. A refusal by the reader, a
    // warning, a crash or an output that breaks off make a failure whose
    // reason is meant for the user.
    struct ReaderOutput
    {
        QByteArray stream;
        QByteArray warnings;
        bool crashed = false;
        int exitCode = 0;
    };
    static Status parse(ReaderOutput output, SourceBook& book);

    const SourceTable* table(QStringView name) const;
    const QList<SourceTable>& tables() const { return m_tables; }
    qint64 totalRows() const;

private:
    Status parseStream();
    Status parseLine(QByteArrayView line, bool& done);

    QByteArray m_stream; // the rows are views into it
    QList<SourceTable> m_tables;
    SourceTable* m_current = nullptr;
    qsizetype m_pendingColumns = 0;
    qsizetype m_ended = 0;
};
