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

Result<QSqlQuery> run(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return Status::failure(reasonOf(query));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return Status::failure(reasonOf(query));
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
                   : Result<QVariant>(Status::failure(reasonOf(*query)));
    return query->value(0);
}

} // namespace Sql
