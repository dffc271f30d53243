#include "legacy/AccessMigration.h"

#include "core/BookHealth.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/FileAccess.h"
#include "core/Schema.h"
#include "legacy/LegacyTables.h"
#include "legacy/ReaderProcess.h"
#include "legacy/SourceBook.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AccessMigration {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccessMigration", text);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// What tells that the Access file changed while it was being converted.
struct FileStamp
{
    qint64 size = -1;
    QDateTime modified;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stampOf(const QString& path)
{
    const QFileInfo info(path);
    return {info.exists() ? info.size() : -1, info.lastModified()};
}

// A file's or folder's contents reach the disk before the next step relies on them.
bool syncToDisk(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result();
}

QString temporaryPath(const QString& bookPath)
{
    return bookPath + QStringLiteral(".convertendo");
}

// What an interrupted or failed run leaves: the new book, and what SQLite,
// the book's creation and its closing write beside it.
void removeLeftovers(const QString& temp)
{
    for (const QString& suffix : {QString(), QStringLiteral("-journal"), QStringLiteral(".novo"),
                                  QStringLiteral(".novo-journal")})
        QFile::remove(temp + suffix);
    QFile::remove(BookHealth::recordPath(temp));
}

Status readSource(const QString& bookPath, const QString& readerProgram,
                  const ReaderProcess::Limits& limits, Progress& progress, SourceBook& source)
{
    SourceBook::ReaderOutput output;
    const QStringList arguments =
        QStringList{QFileInfo(bookPath).absoluteFilePath()} + Schema::tableNames();
    if (Status ran = ReaderProcess::run(readerProgram, arguments, progress, output, limits); !ran)
        return ran;
    if (Status parsed = SourceBook::parse(std::move(output), source); !parsed)
        return parsed;
    return LegacyTables::checkLayout(source);
}

Status writeNewBook(const QString& temp, const SourceBook& source, Progress& progress,
                    LegacyTables::Figures& figures)
{
    DbConnection book;
    if (Status opened = book.open(temp); !opened)
        return opened;
    progress.setLabel(tr("Gravando o novo livro de caixa..."));
    progress.setValue(0);
    if (Status written = LegacyTables::write(book.database(), source, progress, figures); !written)
        return written;
    progress.setLabel(tr("Conferindo o novo livro de caixa..."));
    const Status verified = LegacyTables::verify(book.database(), figures);
    book.close();
    if (verified && !syncToDisk(temp))
        return Status::failure(tr("o novo livro não pôde ser gravado no disco"));
    return verified;
}

// Two names of one file: a link made by a run that was interrupted before
// the new book took its place.
bool sameFile(const QString& a, const QString& b)
{
    struct stat first = {};
    struct stat second = {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// A hard link keeps the very bytes without copying them; where the file
// system has no links, a copy is made and compared with the original.
Status keepOriginal(const QString& bookPath, QString& kept)
{
    const QString folder = QFileInfo(bookPath).absolutePath();
    for (int attempt = 1; attempt <= 999; ++attempt) {
        const QString candidate = keptOriginalName(folder, attempt);
        if (QFileInfo::exists(candidate)) {
            if (!sameFile(candidate, bookPath))
                continue;
            kept = candidate;
            return Status::success();
        }
        if (::link(QFile::encodeName(bookPath).constData(),
                   QFile::encodeName(candidate).constData()) == 0) {
            kept = candidate;
            return Status::success();
        }
        if (errno == EEXIST)
            continue;
        if (QFile::copy(bookPath, candidate) && syncToDisk(candidate) &&
            digestOf(candidate) == digestOf(bookPath)) {
            kept = candidate;
            return Status::success();
        }
        QFile::remove(candidate);
        return Status::failure(
            tr("não foi possível guardar uma cópia do original em %1").arg(native(candidate)));
    }
    return Status::failure(
        tr("não há um nome livre para guardar o original em %1").arg(native(folder)));
}

// The one step that changes what bd.mdb is: a rename, which replaces the
// file whole or not at all.
Status putInPlace(const QString& bookPath, const QString& temp, const FileStamp& before,
                  QString& kept, QStringList& notes)
{
    if (stampOf(bookPath) != before)
        return Status::failure(tr("o arquivo foi alterado por outro programa durante a conversão"));
    if (Status keptOk = keepOriginal(bookPath, kept); !keptOk)
        return keptOk;
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(bookPath).constData()) !=
        0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(kept);
        kept.clear();
        return Status::failure(
            tr("o novo livro não pôde tomar o lugar do original: %1").arg(reason));
    }
    // The new book is in place: what follows can no longer undo that, only
    // be told. The original holds the old plain-text passwords.
    if (Status guarded = FileAccess::protect(kept); !guarded)
        notes.append(guarded.reason());
    if (Status synced = FileAccess::syncFolder(QFileInfo(bookPath).absolutePath()); !synced)
        notes.append(synced.reason());
    return Status::success();
}

QString counted(qint64 n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(n),
                                       tr(n == 1 ? one : many));
}

} // namespace

::Result<Converted> migrate(const QString& bookPath, const QString& readerProgram, Dialogs& dialogs,
                            const std::optional<ReaderProcess::Limits>& limits)
{
    Converted result;
    const auto progress =
        dialogs.progress(nullptr, tr("Livro de Caixa"),
                         tr("Lendo o livro de caixa do Access %1...").arg(native(bookPath)));
    const FileStamp before = stampOf(bookPath);
    SourceBook source;
    const ReaderProcess::Limits readerLimits =
        limits.value_or(ReaderProcess::Limits::forFile(before.size));
    if (Status read = readSource(bookPath, readerProgram, readerLimits, *progress, source); !read)
        return read;

    const QString temp = temporaryPath(bookPath);
    removeLeftovers(temp);
    LegacyTables::Figures figures;
    Status status = writeNewBook(temp, source, *progress, figures);
    if (status && progress->wasCanceled())
        status = Status::failure(tr("a conversão foi cancelada"));
    if (status)
        status = putInPlace(bookPath, temp, before, result.keptOriginal, result.notes);
    removeLeftovers(temp);
    if (!status)
        return status;
    result.entries = figures.rows.value(QStringLiteral("caixa"));
    result.accounts = figures.rows.value(QStringLiteral("contas"));
    result.users = figures.rows.value(QStringLiteral("usuarios"));
    return result;
}

QString successTitle()
{
    return tr("Livro de caixa convertido");
}

QString successText(const Converted& result)
{
    return tr("O livro de caixa do Access foi convertido para o formato deste programa: %1, %2 e "
              "%3.\n\n"
              "O arquivo original foi guardado, sem alterações, em:\n%4")
               .arg(counted(result.entries, QT_TRANSLATE_NOOP("AccessMigration", "lançamento"),
                            QT_TRANSLATE_NOOP("AccessMigration", "lançamentos")),
                    counted(result.accounts, QT_TRANSLATE_NOOP("AccessMigration", "conta"),
                            QT_TRANSLATE_NOOP("AccessMigration", "contas")),
                    counted(result.users, QT_TRANSLATE_NOOP("AccessMigration", "usuário"),
                            QT_TRANSLATE_NOOP("AccessMigration", "usuários")),
                    native(result.keptOriginal)) +
           (result.notes.isEmpty()
                ? QString()
                : QStringLiteral("\n\n") + tr("Atenção: %1").arg(result.notes.join(u'\n')));
}

QString failureText(const QString& bookPath, const QString& reason)
{
    return tr("Não foi possível converter o livro de caixa do Access %1: %2. O arquivo não foi "
              "alterado.")
        .arg(native(bookPath), reason);
}

QString keptOriginalName(const QString& folder, int attempt)
{
    const QString name = attempt <= 1 ? QStringLiteral("bd-access-original.mdb")
                                      : QStringLiteral("bd-access-original-%1.mdb").arg(attempt);
    return QDir(folder).filePath(name);
}

} // namespace AccessMigration
