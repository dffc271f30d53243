#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The measurements of bench_waits, each run in a process of its own. A
// measurement prints, as its last line, its figures as "name=value" words.
namespace Waits {

QString bookPath(const QString& dir);
void ensureBook(const QString& path);

// The measurements repeated on every run, in order.
QStringList measures();
int measure(const QString& dir, const QString& name);

// The table: each row's median, its floor, the ratio and the target.
void report(const QString& dir, const QMap<QString, QList<QStringList>>& results);

// In BenchChecks.cpp.
int measureBackup(const QString& dir);
int measureSave(const QString& dir);
// What each way of checking a backup copy catches (printed whole, once).
int measureChecks(const QString& dir);

} // namespace Waits
