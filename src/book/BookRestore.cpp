#include "book/BookRestore.h"

#include "book/Backup.h"
#include "book/BookTransfer.h"
#include "book/Closings.h"
#include "core/BookHealth.h"
#include "core/ChangeLog.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/FileAccess.h"
#include "core/Formats.h"
#include "core/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QDate lastEntryDay(const QSqlDatabase& db)
{
    const auto last = Sql::scalar(db, QStringLiteral("select max(data) from caixa"));
    return last ? Formats::dateFromDb(*last) : QDate();
}

// A leftover of a restore cut short, with what SQLite may have left beside it.
void removeStaged(const QString& staged)
{
    QFile::remove(staged);
    QFile::remove(staged + QStringLiteral("-journal"));
    QFile::remove(BookHealth::recordPath(staged));
}

} // namespace

QString BookRestore::stagingPath(const QString& bookPath)
{
    return bookPath + QStringLiteral(".restaurando");
}

// The change log of the book keeps who restored which backup over which
// book. This is the one place the restore writes it, in the restored copy
// before the copy becomes the book (the copy has the change log's tables:
// opening it brought it up to date).
Status BookRestore::recordInChangeLog(DbConnection& restored, const Record& record)
{
    const auto dayText = [](const QDate& day) {
        return day.isValid() ? day.toString(QStringLiteral("dd/MM/yyyy")) : tr("nenhum");
    };
    ChangeLog::Values after;
    after.add(tr("Backup"), record.backupName)
        .add(tr("Último lançamento do livro substituído"), dayText(record.replacedLastEntry))
        .add(tr("Último dia fechado do livro substituído"), dayText(record.replacedLastClosing));
    return ChangeLog::record(restored, {ChangeLog::Kind::Restore, QStringLiteral("livro"),
                                        record.backupName, QString(), after.text()});
}

// The copy is opened as any book is at start-up: the whole file checked
// (it has no record of a clean close), an older version brought up to date.
Status BookRestore::prepare(const QString& staged, const Record& record, const WriteContext& writer,
                            QDate& lastDay)
{
    DbConnection copy;
    if (Status opened = copy.open(staged); !opened)
        return opened;
    copy.setWriteContext(writer);
    lastDay = lastEntryDay(copy.database());
    Status recorded = recordInChangeLog(copy, record);
    copy.close();
    // The copy's own record of a clean close means nothing once it is renamed.
    QFile::remove(BookHealth::recordPath(staged));
    return recorded;
}

// One rename puts the copy in the book's place: the book's name always
// names a whole book, the old or the new. A journal of the old book left
// beside it would be played back into the new one, so there must be none.
Status BookRestore::replace(const QString& staged, const QString& bookPath)
{
    if (QFileInfo::exists(bookPath + QStringLiteral("-journal")))
        return Status::failure(tr("O livro de caixa %1 tem uma gravação pela metade (o arquivo "
                                  "%2-journal): abra o programa de novo antes de restaurar.")
                                   .arg(native(bookPath), native(bookPath)));
    if (std::rename(QFile::encodeName(staged).constData(),
                    QFile::encodeName(bookPath).constData()) != 0)
        return Status::failure(
            tr("O backup não pôde tomar o lugar do livro de caixa %1: %2")
                .arg(native(bookPath), QString::fromLocal8Bit(std::strerror(errno))));
    // The old book's record no longer describes the file; the next open
    // checks the whole book anyway, since the file is another.
    QFile::remove(BookHealth::recordPath(bookPath));
    return FileAccess::syncFolder(QFileInfo(bookPath).absolutePath());
}

BookRestore::Outcome BookRestore::run(DbConnection& db, const QString& backupPath, int keep,
                                      Record record, const std::function<bool(Step)>& afterStep)
{
    Outcome outcome;
    const auto go = [&afterStep](Step step) { return !afterStep || afterStep(step); };
    const auto abandoned = [&outcome] {
        outcome.status = Status::failure(tr("A restauração foi interrompida."));
        return outcome;
    };
    const QString bookPath = db.filePath();
    const QString staged = stagingPath(bookPath);
    record.replacedLastEntry = lastEntryDay(db.database());
    record.replacedLastClosing = Closings(db).lockedThrough().valueOr(QDate());

    removeStaged(staged);
    outcome.status = FileAccess::copy(backupPath, staged);
    if (outcome.status && !go(Step::Staged))
        return abandoned();
    if (outcome.status)
        outcome.status = prepare(staged, record, db.writeContext(), outcome.lastEntryDay);
    if (!outcome.status) {
        removeStaged(staged);
        return outcome;
    }
    if (!go(Step::Prepared))
        return abandoned();

    const QDateTime moment = db.writeContext().clock().now();
    db.close();
    if (!go(Step::Closed))
        return abandoned();
    const Backup::Outcome safety = Backup::make(bookPath, keep, moment, backupPath);
    if (!safety.copy) {
        removeStaged(staged);
        outcome.status = Status::failure(
            tr("O livro de caixa atual não pôde ser guardado num backup antes da restauração, "
               "e nada foi alterado: %1")
                .arg(safety.copy.reason()));
        return outcome;
    }
    outcome.safetyBackup = safety.file;
    outcome.prune = safety.prune;
    if (!go(Step::CurrentBackedUp))
        return abandoned();

    if (outcome.status = replace(staged, bookPath); !outcome.status) {
        removeStaged(staged);
        return outcome;
    }
    outcome.replaced = true;
    if (!go(Step::Replaced))
        return abandoned();
    return outcome;
}

Status BookRestore::toServer(const QString& backupPath, DbConnection& current, DbConnection& server,
                             QDate& restoredLastDay)
{
    const Record record{QFileInfo(backupPath).fileName(), lastEntryDay(current.database()),
                        Closings(current).lockedThrough().valueOr(QDate())};
    const QTemporaryDir work;
    if (!work.isValid())
        return Status::failure(tr("Não foi possível criar uma pasta temporária para o backup: %1")
                                   .arg(work.errorString()));
    const QString staged = work.filePath(QStringLiteral("bd.mdb"));
    if (Status copied = FileAccess::copy(backupPath, staged); !copied)
        return copied;
    DbConnection copy;
    if (Status opened = copy.open(staged); !opened)
        return opened;
    copy.setWriteContext(current.writeContext());
    restoredLastDay = lastEntryDay(copy.database());
    if (Status recorded = recordInChangeLog(copy, record); !recorded)
        return recorded;
    return BookTransfer::copyInto(copy, server);
}
