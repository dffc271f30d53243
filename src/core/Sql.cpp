#include "core/Sql.h"

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

// SQLite's result codes as Qt's driver passes them on.
Status::Cause causeOf(const QSqlError& error)
{
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
    return Status::failure(reasonOf(query), causeOf(query.lastError()));
}

Status failureOf(const QSqlDatabase& db)
{
    return Status::failure(reasonOf(db), causeOf(db.lastError()));
}

Result<QSqlQuery> run(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
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
