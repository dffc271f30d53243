#include "core/BookFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace BookFile {

namespace {

const char kSQLiteMagic[] = "SQLite format 3";

QString tr(const char* text)
{
    return QCoreApplication::translate("BookFile", text);
}

quint32 bigEndian32(const QByteArray& bytes, int offset)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + offset);
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

} // namespace

Kind kind(const QString& filePath)
{
    QFile file(filePath);
    if (!file.exists())
        return Kind::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Unknown;
    const QByteArray head = file.read(100);
    if (head.isEmpty())
        return Kind::Empty;
    if (head.startsWith(QByteArray(kSQLiteMagic, sizeof kSQLiteMagic)))
        return Kind::SQLite;
    // Jet and ACE files: a fixed version word, then the engine's name.
    if (head.size() >= 19 &&
        (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB"))
        return Kind::Access;
    return Kind::Unknown;
}

Status check(const QString& filePath)
{
    const QString where = QDir::toNativeSeparators(filePath);
    switch (kind(filePath)) {
    case Kind::Missing:
        return Status::failure(tr("O arquivo %1 não foi encontrado.").arg(where));
    case Kind::Empty:
        return Status::failure(tr("O arquivo %1 está vazio.").arg(where));
    case Kind::Access:
        return Status::failure(tr("O arquivo %1 é um banco de dados do Access, que este programa "
                                  "não abre diretamente.")
                                   .arg(where));
    case Kind::Unknown:
        return Status::failure(tr("O arquivo %1 não é um livro de caixa (formato desconhecido ou "
                                  "sem permissão de leitura).")
                                   .arg(where));
    case Kind::SQLite:
        break;
    }

    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(
            tr("O arquivo %1 não pôde ser lido: %2").arg(where, file.errorString()));
    const QByteArray header = file.read(100);
    const qint64 size = file.size();
    if (header.size() < 100)
        return Status::failure(tr("O arquivo %1 está incompleto.").arg(where));

    // A write cut short (a crash, a power cut) leaves its journal beside the
    // book, and the book may be longer or shorter than its header says until
    // SQLite puts the old pages back from that journal as it opens the book.
    const QFileInfo journal(filePath + QStringLiteral("-journal"));
    if (journal.exists() && journal.size() > 0)
        return Status::success();

    quint32 pageSize = (quint32(uchar(header[16])) << 8) | quint32(uchar(header[17]));
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return Status::failure(
            tr("O arquivo %1 está danificado (tamanho de página inválido).").arg(where));
    if (size % pageSize != 0)
        return Status::failure(tr("O arquivo %1 está incompleto ou danificado.").arg(where));

    // The page count in the header is trustworthy only when written by the
    // same change as the file change counter.
    const quint32 pageCount = bigEndian32(header, 28);
    if (pageCount != 0 && bigEndian32(header, 92) == bigEndian32(header, 24) &&
        qint64(pageCount) * pageSize > size)
        return Status::failure(tr("O arquivo %1 está incompleto: faltam páginas.").arg(where));
    return Status::success();
}

} // namespace BookFile
