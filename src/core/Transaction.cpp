#include "core/Transaction.h"

#include <QSqlError>

Transaction::Transaction(QSqlDatabase db) : m_db(db)
{
    m_active = m_db.transaction();
    if (!m_active)
        m_startError = m_db.lastError().text();
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

Status Transaction::commit()
{
    if (!m_active)
        return Status::failure(m_startError);
    m_active = false;
    if (!m_db.commit()) {
        const QString reason = m_db.lastError().text();
        m_db.rollback();
        return Status::failure(reason);
    }
    return Status::success();
}
