#pragma once

#include "core/Result.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class DbConnection;

// What restoring a backup takes back: what the current book holds that the
// backup does not. Each part of the book that a restore can undo has its
// describer (see RestoreImpact.cpp): the entries, the closings of days and
// the change log.
class RestoreImpact
{
    Q_DECLARE_TR_FUNCTIONS(RestoreImpact)

public:
    // One paragraph per kind of change, naming some of them; empty when the
    // current book holds nothing beyond the backup.
    static Result<QStringList> describe(DbConnection& current, const QString& backupPath);

    // The entries: those the backup lacks (made after it), those changed
    // since, and those deleted since (which the restore brings back).
    static Result<QStringList> entries(const QSqlDatabase& current, const QSqlDatabase& backup);
    // Closings made since (by day) and days reopened since.
    static Result<QStringList> closings(const QSqlDatabase& current, const QSqlDatabase& backup);
    // Records of the change log written since.
    static Result<QStringList> changeLog(const QSqlDatabase& current, const QSqlDatabase& backup);
};
