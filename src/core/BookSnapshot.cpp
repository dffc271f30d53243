#include "core/BookSnapshot.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

#include <sqlite3.h>

#include <algorithm>

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr int kBusyMs = 5000;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString errorOf(sqlite3* handle)
{
    return handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                  : QStringLiteral("erro desconhecido do banco de dados");
}

} // namespace

BookSnapshot::BookSnapshot(const QString& bookPath) : m_path(bookPath)
{
    hold();
}

BookSnapshot::~BookSnapshot()
{
    // Ends the read transaction; a connection with nothing to write cannot
    // fail to close.
    if (m_handle) {
        sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_handle);
    }
}

void BookSnapshot::hold()
{
    const auto fail = [this](const QString& reason) {
        m_status = Status::failure(
            tr("O livro de caixa %1 não pôde ser lido: %2").arg(native(m_path), reason));
    };
    if (!QFile::exists(m_path)) {
        fail(tr("o arquivo não existe"));
        return;
    }
    const QByteArray name = QFile::encodeName(m_path);
    if (sqlite3_open_v2(name.constData(), &m_handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        fail(errorOf(m_handle));
        return;
    }
    sqlite3_busy_timeout(m_handle, kBusyMs);
    // Reading the schema takes the shared lock, which the open transaction
    // keeps until the snapshot goes.
    sqlite3_stmt* stmt = nullptr;
    QString mode;
    if (sqlite3_exec(m_handle, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(m_handle, "PRAGMA journal_mode", -1, &stmt, nullptr) != SQLITE_OK ||
        sqlite3_step(stmt) != SQLITE_ROW ||
        sqlite3_exec(m_handle, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
        sqlite3_finalize(stmt);
        fail(errorOf(m_handle));
        return;
    }
    mode = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    // In write-ahead mode part of the book lives in another file.
    if (mode.compare(u"wal", Qt::CaseInsensitive) == 0) {
        fail(tr("o livro está no modo WAL, que esta cópia não abrange"));
        return;
    }
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(m_handle, "main", SQLITE_FCNTL_FILE_POINTER, &m_file) != SQLITE_OK ||
        !m_file || !m_file->pMethods || m_file->pMethods->xFileSize(m_file, &size) != SQLITE_OK) {
        fail(tr("o tamanho do arquivo não pôde ser lido"));
        return;
    }
    m_size = size;
}

Status BookSnapshot::read(qint64 offset, char* data, qint64 length) const
{
    if (m_file->pMethods->xRead(m_file, data, int(length), offset) != SQLITE_OK)
        return Status::failure(tr("O livro de caixa %1 não pôde ser lido.").arg(native(m_path)));
    return Status::success();
}

Status BookSnapshot::checkStructure() const
{
    if (!m_status)
        return m_status;
    sqlite3* handle = nullptr;
    QString verdict;
    const QByteArray name = QFile::encodeName(m_path);
    if (sqlite3_open_v2(name.constData(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(handle, kBusyMs);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(handle, "PRAGMA quick_check", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            verdict =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        else
            verdict = errorOf(handle);
        sqlite3_finalize(stmt);
    } else {
        verdict = errorOf(handle);
    }
    sqlite3_close(handle);
    if (verdict != u"ok")
        return Status::failure(
            tr("o livro de caixa %1 está danificado (%2)").arg(native(m_path), verdict));
    return Status::success();
}

Status BookSnapshot::writeTo(QIODevice& target) const
{
    if (!m_status)
        return m_status;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (qint64 offset = 0; offset < m_size; offset += kChunk) {
        const qint64 length = std::min(kChunk, m_size - offset);
        if (Status read = this->read(offset, chunk.data(), length); !read)
            return read;
        if (target.write(chunk.constData(), length) != length)
            return Status::failure(
                tr("A cópia não pôde ser gravada: %1").arg(target.errorString()));
    }
    return Status::success();
}

Status BookSnapshot::compareWith(const QString& copyPath) const
{
    if (!m_status)
        return m_status;
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly))
        return Status::failure(
            tr("A cópia %1 não pôde ser relida: %2").arg(native(copyPath), copy.errorString()));
    if (copy.size() != m_size)
        return Status::failure(
            tr("a cópia tem %1 bytes e o livro, %2").arg(copy.size()).arg(m_size));
    QByteArray original(kChunk, Qt::Uninitialized);
    QByteArray copied(kChunk, Qt::Uninitialized);
    for (qint64 offset = 0; offset < m_size; offset += kChunk) {
        const qint64 length = std::min(kChunk, m_size - offset);
        if (Status read = this->read(offset, original.data(), length); !read)
            return read;
        if (copy.read(copied.data(), length) != length)
            return Status::failure(
                tr("A cópia %1 não pôde ser relida: %2").arg(native(copyPath), copy.errorString()));
        const auto end = original.cbegin() + length;
        const auto differs = std::mismatch(original.cbegin(), end, copied.cbegin()).first;
        if (differs != end)
            return Status::failure(tr("a cópia difere do livro no byte %1")
                                       .arg(offset + (differs - original.cbegin())));
    }
    return Status::success();
}
