#pragma once

#include <QString>

class DbConnection;

// Adds a column that an older book lacks: "alter table <table> add <column>
// <sqltype>". True when the column was added; false when the statement failed,
// typically because the column exists already. Reports nothing itself.
// Callers detect the missing column from a query's record and repeat their
// operation at most once after a true.
bool EnsureColumn(DbConnection& db, const QString& table, const QString& column,
                  const QString& sqltype);
