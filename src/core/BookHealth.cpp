#include "core/BookHealth.h"

#include "core/FileAccess.h"
#include "core/Sql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <optional>

#include <sys/stat.h>

namespace BookHealth {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BookHealth", text);
}

// The file as SQLite and the file system describe it.
std::optional<QByteArray> stampOf(const QString& bookPath)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(bookPath).constData(), &info) != 0)
        return std::nullopt;
    QFile file(bookPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(28);
    if (header.size() < 28)
        return std::nullopt;
    // The change counter: bytes 24 to 27 of the header, moved by every commit.
    const QByteArray counter = header.mid(24, 4).toHex();
    return QByteArrayLiteral("contador=") + counter +
           "\ntamanho=" + QByteArray::number(qint64(info.st_size)) +
           "\nmodificado=" + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(info.st_mtim.tv_nsec)) +
           "\narquivo=" + QByteArray::number(quint64(info.st_dev)) + ':' +
           QByteArray::number(quint64(info.st_ino)) + '\n';
}

// A journal left beside the book: a write was cut short.
bool hasHotJournal(const QString& bookPath)
{
    const QFileInfo journal(bookPath + QStringLiteral("-journal"));
    return journal.exists() && journal.size() > 0;
}

bool isIndexProblem(const QString& problem)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(row \\d+ missing from index|wrong # of entries in index|non-unique "
                       "entry in index) \\S+$"));
    return pattern.match(problem.trimmed()).hasMatch();
}

QAtomicInt repairCounter;

Status reindex(const QSqlDatabase& db)
{
    if (Status rebuilt = Sql::exec(db, QStringLiteral("REINDEX")); !rebuilt)
        return rebuilt;
    const auto verdict = check(db, true);
    if (!verdict)
        return verdict.status();
    if (!verdict->sound())
        return Status::failure(verdict->problems.constFirst());
    return Status::success();
}

Status reindexOn(QSqlDatabase db, const QString& bookPath)
{
    db.setDatabaseName(bookPath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    const Status status = db.open() ? reindex(db) : Status::failure(Sql::reasonOf(db));
    db.close();
    return status;
}

} // namespace

QString recordPath(const QString& bookPath)
{
    return bookPath + QStringLiteral(".fechamento");
}

bool unchangedSinceCleanClose(const QString& bookPath)
{
    const auto now = stampOf(bookPath);
    if (!now || hasHotJournal(bookPath))
        return false;
    QFile record(recordPath(bookPath));
    return record.open(QIODevice::ReadOnly) && record.read(1024) == *now;
}

Status recordCleanClose(const QString& bookPath)
{
    const auto now = stampOf(bookPath);
    if (!now || hasHotJournal(bookPath))
        return Status::failure(tr("o livro de caixa não foi fechado por inteiro"));
    QSaveFile record(recordPath(bookPath));
    if (!record.open(QIODevice::WriteOnly) || record.write(*now) != now->size() || !record.commit())
        return Status::failure(record.errorString());
    return FileAccess::protect(recordPath(bookPath));
}

Result<Verdict> check(const QSqlDatabase& db, bool full)
{
    auto q = Sql::run(db, full ? QStringLiteral("PRAGMA integrity_check(100)")
                               : QStringLiteral("PRAGMA quick_check(100)"));
    if (!q)
        return q.status();
    Verdict verdict;
    while (q->next())
        verdict.problems.append(q->value(0).toString());
    if (verdict.problems.isEmpty())
        return Status::failure(Sql::reasonOf(*q));
    if (verdict.problems == QStringList{QStringLiteral("ok")})
        verdict.problems.clear();
    verdict.indexesOnly =
        !verdict.problems.isEmpty() &&
        std::all_of(verdict.problems.cbegin(), verdict.problems.cend(), isIndexProblem);
    return verdict;
}

Status rebuildIndexes(const QString& bookPath)
{
    const QString name =
        QStringLiteral("BookHealth-repair-%1").arg(repairCounter.fetchAndAddRelaxed(1));
    const Status status =
        reindexOn(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name), bookPath);
    // The connection is gone from Qt's list only once no handle to it is left.
    QSqlDatabase::removeDatabase(name);
    if (!status)
        return Status::failure(
            tr("Os índices do livro de caixa %1 não puderam ser reconstruídos: %2")
                .arg(QDir::toNativeSeparators(bookPath), status.reason()));
    return status;
}

} // namespace BookHealth
