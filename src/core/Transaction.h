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

    // A failure when the database refused to begin; every write would fail too.
    const Status& begun() const { return m_begun; }
    Status commit();

private:
    QSqlDatabase m_db;
    bool m_active = false;
    Status m_begun = Status::success();
};
