#pragma once

#include "core/ChangeLog.h"
#include "core/Result.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class DbConnection;

// Reading the change log (ChangeLog writes it): its records newest first,
// filtered by period, person and kind. Nothing here changes it.
class ChangeHistory
{
    Q_DECLARE_TR_FUNCTIONS(ChangeHistory)

public:
    struct Filter
    {
        QDate first; // the days of the changes, both included
        QDate last;
        QString person; // as recorded ("sem login" included); empty: everyone
        std::optional<ChangeLog::Kind> kind;
    };

    struct Record
    {
        qint64 id = 0;
        QDateTime when;
        QString person;
        QString computer;
        QString kind;  // the kind's name ("Inclusão"), or its code when unknown
        QString table; // what was changed, in words ("Lançamento")
        QString key;
        QString before;
        QString after;
    };

    explicit ChangeHistory(DbConnection& db);

    // Up to `limit` records of the filter, newest first, starting after
    // `after` (a record a previous call gave; none for the first).
    Result<QList<Record>> read(const Filter& filter, const std::optional<Record>& after,
                               int limit) const;
    // Every person who made a change, in alphabetical order.
    Result<QStringList> people() const;

    // What a table of the book is called in the log's lists.
    static QString tableText(const QString& table);

private:
    DbConnection& m_db;
};
