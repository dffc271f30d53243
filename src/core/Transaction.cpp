#include "core/Transaction.h"

#include "core/Sql.h"

Transaction::Transaction(QSqlDatabase db) : m_db(db)
{
    m_active = m_db.transaction();
    if (!m_active)
        m_begun = Sql::failureOf(m_db);
}

Transaction::~Transaction()
{
    // A rollback that fails leaves nothing to undo: SQLite has already
    // rolled the transaction back when it cannot.
    if (m_active)
        static_cast<void>(m_db.rollback());
}

Status Transaction::commit()
{
    if (!m_active)
        return m_begun.ok() ? Status::failure(QStringLiteral("transação já encerrada")) : m_begun;
    m_active = false;
    if (!m_db.commit()) {
        const Status failed = Sql::failureOf(m_db);
        // As above: nothing is left to undo when the rollback fails.
        static_cast<void>(m_db.rollback());
        return failed;
    }
    return Status::success();
}
