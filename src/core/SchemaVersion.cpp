#include "core/SchemaVersion.h"

#include "core/BookSnapshot.h"
#include "core/DayTotals.h"
#include "core/Schema.h"
#include "core/ServerSearchIndex.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlRecord>

namespace SchemaVersion {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SchemaVersion", text);
}

// One change of the tables: what brings a book from the version before to
// this one. Steps run in order, each in its own transaction.
struct Step
{
    int version;
    Status (*apply)(const QSqlDatabase& db);
};

Status addDayTotals(const QSqlDatabase& db)
{
    if (Status created = Schema::createDayTotals(db); !created)
        return created;
    return DayTotals::rebuild(db);
}

// A file book gets its word index when it is opened (SearchIndex), behind a
// progress window; a server book gets the folded texts and their indexes
// here.
Status addSearchIndexes(const QSqlDatabase& db)
{
    return Sql::isServer(db) ? ServerSearchIndex::create(db) : Status::success();
}

// Append new steps at the end, numbered on from the last.
const Step kSteps[] = {
    {1, addDayTotals},                 // totals per day and account, kept by triggers
    {2, Schema::createClosingsAndLog}, // the closings of days and the change log
    {3, addSearchIndexes},             // the indexes of the search on a server book
};

Status record(const QSqlDatabase& db, int version)
{
    if (Status created = Schema::createVersionTable(db); !created)
        return created;
    if (Status emptied = Sql::exec(db, QStringLiteral("DELETE FROM schema_version")); !emptied)
        return emptied;
    return Sql::exec(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"),
                     {version});
}

Status keepCopy(const QString& bookPath, const QString& copyPath)
{
    if (!QDir().mkpath(QFileInfo(copyPath).absolutePath()))
        return Status::failure(tr("a pasta %1 não pôde ser criada")
                                   .arg(QDir::toNativeSeparators(QFileInfo(copyPath).path())));
    // The book's pages had SQLite's quick check a moment ago, when it opened.
    const BookSnapshot book(bookPath);
    if (!book.status())
        return book.status();
    QSaveFile target(copyPath);
    if (!target.open(QIODevice::WriteOnly))
        return Status::failure(target.errorString());
    if (Status written = book.writeTo(target); !written)
        return written; // the unfinished copy goes with target
    if (!target.commit())
        return Status::failure(target.errorString());
    const Status same = book.compareWith(copyPath);
    if (!same)
        QFile::remove(copyPath); // a copy that is not the book is no copy at all
    return same;
}

Status runStep(const QSqlDatabase& db, const Step& step)
{
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Status applied = step.apply(db); !applied)
        return applied;
    if (Status recorded = record(db, step.version); !recorded)
        return recorded;
    return transaction.commit();
}

// A server book has no file to copy: each step is one transaction (the
// server's changes of tables are transactional too), taken by one desk at a
// time; a desk that waited finds the step done and goes on.
Status upgradeServer(const QSqlDatabase& db)
{
    for (const Step& step : kSteps) {
        Transaction transaction(db);
        if (!transaction.begun())
            return transaction.begun();
        if (Status locked = Schema::lockForChange(db); !locked)
            return locked;
        const auto version = of(db);
        if (!version)
            return version.status();
        if (step.version <= *version)
            continue;
        if (Status applied = step.apply(db); !applied)
            return applied;
        if (Status recorded = record(db, step.version); !recorded)
            return recorded;
        if (Status committed = transaction.commit(); !committed)
            return committed;
    }
    return Status::success();
}

} // namespace

int current()
{
    return std::end(kSteps)[-1].version;
}

Result<int> of(const QSqlDatabase& db)
{
    if (db.record(QStringLiteral("schema_version")).isEmpty())
        return 0;
    const auto version = Sql::scalar(db, QStringLiteral("select max(version) from schema_version"));
    if (!version)
        return version.status();
    return version->isNull() ? 0 : version->toInt();
}

Status applySteps(const QSqlDatabase& db, int from)
{
    for (const Step& step : kSteps) {
        if (step.version <= from)
            continue;
        if (Status applied = step.apply(db); !applied)
            return applied;
        if (Status recorded = record(db, step.version); !recorded)
            return recorded;
    }
    return Status::success();
}

QString copyBeforeUpgrade(const QString& bookPath, int version)
{
    const QDir folder(QFileInfo(bookPath).absoluteDir().filePath(QStringLiteral("Backups")));
    const QString stem = QStringLiteral("bd-antes-da-versao-%1").arg(version);
    QString name = stem + QStringLiteral(".mdb");
    for (int n = 2; QFileInfo::exists(folder.filePath(name)); ++n)
        name = stem + QStringLiteral("-%1.mdb").arg(n);
    return folder.filePath(name);
}

Status upgrade(const QSqlDatabase& db, const QString& bookPath)
{
    const QString where = QDir::toNativeSeparators(bookPath);
    const auto version = of(db);
    if (!version)
        return Status::failure(
            tr("A versão do livro de caixa %1 não pôde ser lida: %2").arg(where, version.reason()));
    if (*version > current())
        return Status::failure(tr("O arquivo %1 não foi aberto: este livro foi gravado por uma "
                                  "versão mais nova do programa (versão %2 do livro; este "
                                  "programa conhece até a versão %3). Atualize o programa.")
                                   .arg(where)
                                   .arg(*version)
                                   .arg(current()));
    if (*version == current())
        return Status::success();

    const QString failed = tr("O livro de caixa %1 precisa ser atualizado para esta versão do "
                              "programa, e a atualização não foi feita: %2");
    if (Sql::isServer(db)) {
        if (Status done = upgradeServer(db); !done)
            return Status::failure(failed.arg(where, done.reason()));
        return Status::success();
    }
    if (!QFileInfo(bookPath).isWritable())
        return Status::failure(failed.arg(where, tr("o arquivo não pode ser gravado")));
    const QString copy = copyBeforeUpgrade(bookPath, current());
    if (Status kept = keepCopy(bookPath, copy); !kept)
        return Status::failure(
            failed.arg(where, tr("não foi possível guardar antes uma cópia do livro em %1 (%2)")
                                  .arg(QDir::toNativeSeparators(copy), kept.reason())));
    for (const Step& step : kSteps) {
        if (step.version <= *version)
            continue;
        if (Status done = runStep(db, step); !done)
            return Status::failure(failed.arg(where, done.reason()));
    }
    return Status::success();
}

} // namespace SchemaVersion
