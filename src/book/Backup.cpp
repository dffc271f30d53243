#include "book/Backup.h"

#include "book/BookTransfer.h"
#include "core/BookFile.h"
#include "core/BookSnapshot.h"
#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <future>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The copy is written under a name only this program gives a file: a
// hidden one, so it never looks like a backup, with a prefix of its own, so
// a leftover of a copy cut short can be told from anyone else's file.
const QString kTemporaryPrefix = QStringLiteral(".livro-caixa-backup-");
const QString kTemporarySuffix = QStringLiteral(".parcial");

QString temporaryName(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(kTemporaryPrefix + info.fileName() + kTemporarySuffix);
}

} // namespace

QString Backup::folderFor(const QString& bookPath)
{
    return QFileInfo(bookPath).absoluteDir().filePath(QStringLiteral("Backups"));
}

QString Backup::fileName(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss")) + QStringLiteral("_Backup.bkp");
}

QStringList Backup::set(const QString& folder)
{
    QStringList names =
        QDir(folder).entryList({QStringLiteral("*.bkp")}, QDir::Files | QDir::Hidden, QDir::NoSort);
    // Plain character order: the timestamps in the names sort oldest first.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseSensitive) < 0;
    });
    return names;
}

// A second backup in the same second gets "_2", "_3"...: "." sorts before
// "_", so each sorts after the one before it. Past "_9" only numbers that
// still sort after it qualify ("_90"...), which keeps the order by name.
QString Backup::newName(const QDateTime& moment, const QString& folder, const QStringList& set)
{
    const QString plain = fileName(moment);
    const QString stem = plain.chopped(4);
    QString latest;
    for (const QString& name : set) {
        if (name.startsWith(stem) && name > latest)
            latest = name;
    }
    const QDir dir(folder);
    QString name = plain;
    int n = 1;
    while (QFileInfo::exists(dir.filePath(name)) || (!latest.isEmpty() && name <= latest))
        name = stem + u'_' + QString::number(++n) + QStringLiteral(".bkp");
    return name;
}

Backup::Outcome Backup::make(const QString& bookPath, int keep, const QDateTime& moment,
                             const QString& spare)
{
    return makeIn(
        folderFor(bookPath), keep, moment,
        [&bookPath](const QString& to) { return copyChecked(bookPath, to); }, spare);
}

Backup::Outcome Backup::makeOfServer(const DbConnection& server, const QString& dataDir, int keep,
                                     const QDateTime& moment)
{
    return makeIn(QDir(dataDir).filePath(QStringLiteral("Backups")), keep, moment,
                  [&server](const QString& to) { return writeServerCopy(server, to); });
}

// The server book as a file book, written under a temporary name: the
// transfer checks it against the server figure by figure, and the file must
// then pass as a sound cash book before it takes its name.
Status Backup::writeServerCopy(const DbConnection& server, const QString& to)
{
    const QString temp = temporaryName(to);
    QFile::remove(temp);
    Status status = BookTransfer::writeFileCopy(server, temp);
    // The copy's note of a clean close belongs to no book that stays.
    QFile::remove(temp + QStringLiteral(".fechamento"));
    if (status)
        status = BookFile::check(temp);
    if (status)
        status = FileAccess::protect(temp);
    if (status && !QFile::rename(temp, to))
        status = Status::failure(tr("A cópia não pôde receber o nome %1.").arg(native(to)));
    if (!status) {
        QFile::remove(temp);
        return Status::failure(
            tr("A cópia para %1 foi descartada: %2").arg(native(to), status.reason()));
    }
    return status;
}

Backup::Outcome Backup::makeIn(const QString& folder, int keep, const QDateTime& moment,
                               const std::function<Status(const QString&)>& copy,
                               const QString& spare)
{
    Outcome result;
    if (result.copy = makeFolder(folder); !result.copy)
        return result;
    // A copy cut short by a crash or a power cut is of no use to anyone.
    const QStringList leftovers = QDir(folder).entryList(
        {kTemporaryPrefix + u'*' + kTemporarySuffix}, QDir::Files | QDir::Hidden);
    for (const QString& name : leftovers)
        QFile::remove(QDir(folder).filePath(name));
    // Listed before the copy: the new file is not counted.
    const QStringList existing = set(folder);
    result.file = QDir(folder).filePath(newName(moment, folder, existing));
    result.copy = copy(result.file);
    if (!result.copy) {
        result.file.clear();
        return result;
    }
    QStringList deletable = existing;
    deletable.removeAll(QFileInfo(spare).fileName());
    if (!deletable.isEmpty() && existing.size() >= keep) {
        const QString oldest = QDir(folder).filePath(deletable.constFirst());
        QFile file(oldest);
        if (!file.remove())
            result.prune = Status::failure(tr("O backup mais antigo, %1, não pôde ser apagado: %2")
                                               .arg(native(oldest), file.errorString()));
    }
    return result;
}

Status Backup::makeFolder(const QString& folder)
{
    if (QFileInfo(folder).isFile())
        return Status::failure(
            tr("A pasta de backups %1 não pôde ser criada: já existe um arquivo com "
               "esse nome.")
                .arg(native(folder)));
    if (!FileAccess::makeFolder(folder) || !QFileInfo(folder).isDir())
        return Status::failure(
            tr("A pasta de backups %1 não pôde ser criada (falta de permissão ou "
               "disco cheio).")
                .arg(native(folder)));
    return Status::success();
}

// The book is held still (a read transaction of its own) from the first
// byte copied to the last byte compared, so the copy is one consistent
// moment of the book even if another program writes to it meanwhile.
// SQLite's quick check of the book's pages reads it alongside, on a thread
// of its own: a damaged book is never copied as if it were sound.
Status Backup::copyChecked(const QString& from, const QString& to)
{
    const QString temp = temporaryName(to);
    const BookSnapshot book(from);
    auto pages = std::async(std::launch::async, [&book] { return book.checkStructure(); });
    Status status = book.status();
    if (status)
        status = writeCopy(book, temp);
    if (status) {
        if (Status sound = check(book, temp); !sound)
            status = Status::failure(
                tr("A cópia para %1 foi descartada: %2").arg(native(to), sound.reason()));
    }
    if (Status sound = pages.get(); status && !sound)
        status = Status::failure(
            tr("A cópia para %1 foi descartada: %2").arg(native(to), sound.reason()));
    if (status)
        status = FileAccess::protect(temp);
    // QFile::rename never replaces an existing file.
    if (status && !QFile::rename(temp, to))
        status = Status::failure(tr("A cópia não pôde receber o nome %1.").arg(native(to)));
    if (!status)
        QFile::remove(temp);
    return status;
}

// QSaveFile flushes the copy to the disk before it takes the name, and
// removes what it wrote when the copy fails (a full disk, for example).
Status Backup::writeCopy(const BookSnapshot& book, const QString& to)
{
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly))
        return Status::failure(
            tr("O arquivo %1 não pôde ser criado: %2").arg(native(to), target.errorString()));
    if (Status written = book.writeTo(target); !written)
        return Status::failure(
            tr("O arquivo %1 não pôde ser gravado: %2").arg(native(to), written.reason()));
    if (!target.commit())
        return Status::failure(
            tr("O arquivo %1 não pôde ser gravado: %2").arg(native(to), target.errorString()));
    return Status::success();
}

// The copy must look like a cash book file and be the book byte for byte
// (whose own pages have SQLite's quick check meanwhile): this catches every
// damage SQLite's integrity check finds in a copy, and changed values it
// cannot see, at the cost of one more read of the file instead of a walk
// through every table and index.
Status Backup::check(const BookSnapshot& book, const QString& path)
{
    if (Status file = BookFile::check(path); !file)
        return file;
    if (Status same = book.compareWith(path); !same)
        return Status::failure(
            tr("o banco de dados copiado não passou na verificação (%1).").arg(same.reason()));
    return Status::success();
}
