#pragma once

#include "core/Status.h"

#include <QSqlDatabase>

// Writes that belong together: begun on construction, rolled back on
// destruction unless committed.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the database refused to begin; every write would fail too.
    bool started() const { return m_active; }
    const QString& startError() const { return m_startError; }
    Status commit();

private:
    QSqlDatabase m_db;
    bool m_active = false;
    QString m_startError;
};
