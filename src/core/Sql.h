#pragma once

#include "core/Result.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

// Every statement of the program runs through these: prepared, its values
// bound (never pasted into the text), run, and its outcome returned. A
// failure carries the database's own reason.
namespace Sql {

// Runs a statement and hands back the query, positioned before its first row
// and reading forward only.
Result<QSqlQuery> run(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// Runs a statement whose rows, if any, do not matter (a write, a pragma).
Status exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});

// The first column of the first row; a null value when there is no row.
Result<QVariant> scalar(const QSqlDatabase& db, const QString& sql,
                        const QVariantList& values = {});

// Whether the connection is to a PostgreSQL server rather than a file.
bool isServer(const QSqlDatabase& db);

// The reason a query or a database gives for its last failure.
QString reasonOf(const QSqlQuery& query);
QString reasonOf(const QSqlDatabase& db);
// The same as a failure, with its cause when SQLite tells one (a full disk,
// a read-only file, a busy book, a sum too large).
Status failureOf(const QSqlQuery& query);
Status failureOf(const QSqlDatabase& db);

} // namespace Sql
