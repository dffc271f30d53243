#include "core/FileAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FileAccess", text);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The reason of the call that just failed, told before anything else can
// change errno.
Status failed(const char* text, const QString& path)
{
    const QString reason = errorText(errno);
    return Status::failure(tr(text).arg(native(path), reason));
}

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

// A folder made inside a shared one (the backups of a shared book) is
// shared with the same group, so every desk of the shop can write to it.
Status shareLikeParent(const QString& folder, const QString& parent)
{
    struct stat parentInfo = {};
    if (::stat(encoded(parent).constData(), &parentInfo) != 0 || !(parentInfo.st_mode & S_IWGRP))
        return Status::success();
    const QByteArray path = encoded(folder);
    if (::chown(path.constData(), uid_t(-1), parentInfo.st_gid) != 0)
        return failed(
            QT_TRANSLATE_NOOP("FileAccess", "A pasta %1 não pôde receber o grupo da pasta: %2"),
            folder);
    if (::chmod(path.constData(), S_IRWXU | (parentInfo.st_mode & (S_IRWXG | S_ISGID))) != 0)
        return failed(
            QT_TRANSLATE_NOOP("FileAccess", "As permissões de %1 não puderam ser ajustadas: %2"),
            folder);
    return Status::success();
}

} // namespace

Status makeFolder(const QString& path)
{
    const QString absolute = QDir(path).absolutePath();
    const QFileInfo info(absolute);
    if (info.isDir())
        return Status::success();
    if (info.exists())
        return Status::failure(
            tr("A pasta %1 não pôde ser criada: já existe um arquivo com esse nome.")
                .arg(native(absolute)));
    const QString parent = info.absolutePath();
    if (parent != absolute) {
        if (Status above = makeFolder(parent); !above)
            return above;
    }
    if (::mkdir(encoded(absolute).constData(), S_IRWXU) != 0 && errno != EEXIST)
        return failed(QT_TRANSLATE_NOOP("FileAccess", "A pasta %1 não pôde ser criada: %2"),
                      absolute);
    if (!QFileInfo(absolute).isDir())
        return Status::failure(tr("A pasta %1 não pôde ser criada.").arg(native(absolute)));
    return shareLikeParent(absolute, parent);
}

unsigned modeFor(const QString& folder)
{
    struct stat info = {};
    unsigned mode = S_IRUSR | S_IWUSR;
    if (::stat(encoded(folder).constData(), &info) == 0 && (info.st_mode & S_IWGRP))
        mode |= (info.st_mode & (S_IRGRP | S_IWGRP));
    return mode;
}

Status protect(const QString& filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    const QByteArray file = encoded(filePath);
    struct stat folderInfo = {};
    struct stat fileInfo = {};
    if (::stat(encoded(folder).constData(), &folderInfo) != 0 ||
        ::stat(file.constData(), &fileInfo) != 0)
        return failed(
            QT_TRANSLATE_NOOP("FileAccess", "As permissões de %1 não puderam ser lidas: %2"),
            filePath);
    const bool shared = folderInfo.st_mode & S_IWGRP;
    // The group first: a change of group may clear bits that chmod then sets.
    if (shared && fileInfo.st_gid != folderInfo.st_gid &&
        ::chown(file.constData(), uid_t(-1), folderInfo.st_gid) != 0)
        return failed(
            QT_TRANSLATE_NOOP("FileAccess", "O arquivo %1 não pôde receber o grupo da pasta: %2"),
            filePath);
    if (::chmod(file.constData(), mode_t(modeFor(folder))) != 0)
        return failed(
            QT_TRANSLATE_NOOP("FileAccess", "As permissões de %1 não puderam ser ajustadas: %2"),
            filePath);
    return Status::success();
}

Status copy(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to))
        return Status::failure(tr("O arquivo %1 já existe.").arg(native(to)));
    QFile source(from);
    if (!source.copy(to))
        return Status::failure(tr("%1 não pôde ser copiado para %2: %3")
                                   .arg(native(from), native(to), source.errorString()));
    const int fd = ::open(encoded(to).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    Status status =
        synced ? protect(to)
               : Status::failure(tr("O disco não confirmou a gravação de %1.").arg(native(to)));
    if (status)
        status = syncFolder(QFileInfo(to).absolutePath());
    if (!status)
        QFile::remove(to);
    return status;
}

Status syncFolder(const QString& path)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return failed(QT_TRANSLATE_NOOP("FileAccess", "A pasta %1 não pôde ser aberta: %2"), path);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    const QString reason = synced ? QString() : errorText(errno);
    ::close(fd);
    if (!synced)
        return Status::failure(
            tr("O disco não confirmou a gravação na pasta %1: %2").arg(native(path), reason));
    return Status::success();
}

} // namespace FileAccess
