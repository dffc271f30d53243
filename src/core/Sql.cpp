#include "core/Sql.h"

#include <QSqlDriver>
#include <QSqlError>

namespace Sql {

QString reasonOf(const QSqlQuery& query)
{
    const QString text = query.lastError().text().trimmed();
    return text.isEmpty() ? QStringLiteral("erro desconhecido do banco de dados") : text;
}

QString reasonOf(const QSqlDatabase& db)
{
    const QString text = db.lastError().text().trimmed();
    return text.isEmpty() ? QStringLiteral("erro desconhecido do banco de dados") : text;
}

namespace {

// PostgreSQL's SQLSTATE codes. A failure without one happened in the client
// library: the connection dropped, or the server never answered.
Status::Cause serverCauseOf(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (state.isEmpty() || state.startsWith(u"08") || state == u"57P01" || state == u"57P02" ||
        state == u"57P03" || state == u"57014")
        return Status::Cause::ServerLost;
    if (state == u"40P01" || state == u"40001")
        return Status::Cause::Conflict;
    if (state == u"22003")
        return Status::Cause::TooLarge;
    if (state == u"53100")
        return Status::Cause::DiskFull;
    if (state == u"25006" || state == u"42501")
        return Status::Cause::ReadOnly;
    if (state == u"55P03")
        return Status::Cause::Busy;
    return Status::Cause::Other;
}

// SQLite's result codes as Qt's driver passes them on.
Status::Cause causeOf(const QSqlError& error, const QSqlDriver* driver)
{
    if (driver && driver->dbmsType() == QSqlDriver::PostgreSQL)
        return serverCauseOf(error);
    if (error.databaseText().contains(u"integer overflow"))
        return Status::Cause::TooLarge;
    switch (error.nativeErrorCode().toInt()) {
    case 13: // SQLITE_FULL
        return Status::Cause::DiskFull;
    case 8: // SQLITE_READONLY
        return Status::Cause::ReadOnly;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return Status::Cause::Busy;
    case 10: // SQLITE_IOERR
        return Status::Cause::DiskError;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Status::Cause::Damaged;
    default:
        return Status::Cause::Other;
    }
}

} // namespace

Status failureOf(const QSqlQuery& query)
{
    return Status::failure(reasonOf(query), causeOf(query.lastError(), query.driver()));
}

Status failureOf(const QSqlDatabase& db)
{
    return Status::failure(reasonOf(db), causeOf(db.lastError(), db.driver()));
}

bool isServer(const QSqlDatabase& db)
{
    return db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
}

Result<QSqlQuery> run(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A server prepares only queries and row changes, not the statements
    // that change tables; a statement without values needs no preparing.
    if (values.isEmpty() && isServer(db)) {
        if (!query.exec(sql))
            return failureOf(query);
        return query;
    }
    if (!query.prepare(sql))
        return failureOf(query);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return failureOf(query);
    return query;
}

Status exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    const auto query = run(db, sql, values);
    return query.status();
}

Result<QVariant> scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    auto query = run(db, sql, values);
    if (!query)
        return query.status();
    if (!query->next())
        return query->isActive() && !query->lastError().isValid()
                   ? QVariant()
                   : Result<QVariant>(failureOf(*query));
    return query->value(0);
}

} // namespace Sql
