#include "core/EnsureColumn.h"

#include "core/DbConnection.h"

#include <QSqlQuery>

bool EnsureColumn(DbConnection& db, const QString& table, const QString& column,
                  const QString& sqltype)
{
    // The three parts are names fixed by the program, never user input.
    QSqlQuery q(db.database());
    const bool added = q.exec(QStringLiteral("alter table ") + table + QStringLiteral(" add ") +
                              column + QStringLiteral(" ") + sqltype);
    q.finish();
    return added;
}
