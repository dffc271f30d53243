#include "legacy/SourceBook.h"

#include "legacy/ReaderProtocol.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccessMigration", text);
}

QString field(const QList<QByteArrayView>& fields, qsizetype i)
{
    return i < fields.size() ? QString::fromUtf8(fields.at(i)) : QString();
}

// The reader's refusal, in words for the user.
QString refusalReason(const QList<QByteArrayView>& f)
{
    const QByteArrayView code = f.size() > 1 ? f.at(1) : QByteArrayView();
    using namespace ReaderProtocol;
    if (code == kErrorSize)
        return tr("o tamanho do arquivo (%1 bytes) não é um número inteiro de páginas de %2 bytes; "
                  "o "
                  "arquivo está incompleto")
            .arg(field(f, 2), field(f, 3));
    if (code == kErrorOpen)
        return tr("o arquivo não pôde ser lido como banco de dados do Access (danificado ou "
                  "criptografado)");
    if (code == kErrorCatalog)
        return tr("a lista de tabelas do arquivo não pôde ser lida (arquivo danificado ou "
                  "criptografado)");
    if (code == kErrorTable)
        return tr("o arquivo não tem a tabela %1").arg(field(f, 2));
    if (code == kErrorColumns)
        return tr("as colunas da tabela %1 não puderam ser lidas").arg(field(f, 2));
    if (code == kErrorPage)
        return tr("a página %1 não está inteira no arquivo; o arquivo está incompleto")
            .arg(field(f, 2));
    if (code == kErrorCount)
        return tr("a tabela %1 tem %2 linhas, mas só %3 puderam ser lidas; o arquivo está "
                  "danificado")
            .arg(field(f, 2), field(f, 3), field(f, 4));
    if (code == kErrorText)
        return tr("um texto da coluna %1.%2 é longo demais").arg(field(f, 2), field(f, 3));
    return tr("a leitura do arquivo foi recusada (%1)").arg(field(f, 1));
}

QString brokenOff()
{
    return tr("a leitura do arquivo terminou antes do fim");
}

bool toCount(QByteArrayView text, qint64& value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= 0;
}

} // namespace

QList<QByteArrayView> splitFields(QByteArrayView line)
{
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype tab = line.indexOf('\t'); tab >= 0; tab = line.indexOf('\t', start)) {
        fields.append(line.sliced(start, tab - start));
        start = tab + 1;
    }
    fields.append(line.sliced(start));
    return fields;
}

int SourceTable::indexOf(QStringView column) const
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name.compare(column, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

SourceRow::SourceRow(QByteArrayView line) : m_fields(splitFields(line)) {}

bool SourceRow::isNull(qsizetype i) const
{
    return i < 0 || i >= m_fields.size() || m_fields.at(i) == "\\N";
}

QByteArray SourceRow::bytes(qsizetype i) const
{
    if (isNull(i))
        return QByteArray();
    const QByteArrayView escaped = m_fields.at(i);
    QByteArray plain;
    plain.reserve(escaped.size());
    for (qsizetype k = 0; k < escaped.size(); ++k) {
        char c = escaped.at(k);
        if (c == '\\' && k + 1 < escaped.size()) {
            const char next = escaped.at(++k);
            c = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        }
        plain.append(c);
    }
    return plain;
}

const SourceTable* SourceBook::table(QStringView name) const
{
    for (const SourceTable& t : m_tables) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

qint64 SourceBook::totalRows() const
{
    qint64 total = 0;
    for (const SourceTable& t : m_tables)
        total += t.rows.size();
    return total;
}

Status SourceBook::parse(ReaderOutput output, SourceBook& book)
{
    book = SourceBook();
    book.m_stream = std::move(output.stream);
    const Status parsed = book.parseStream();
    // The reader's own refusal says most; then what went wrong around it. A
    // reader stopped after a warning ends as if it had crashed: the warning
    // tells why.
    if (!parsed && parsed.reason() != brokenOff())
        return parsed;
    if (!output.warnings.trimmed().isEmpty()) {
        const QByteArray first = output.warnings.trimmed().split('\n').constFirst().left(200);
        return Status::failure(
            tr("a leitura do arquivo encontrou problemas (%1)").arg(QString::fromUtf8(first)));
    }
    if (output.crashed)
        return Status::failure(
            tr("a leitura do arquivo parou de forma inesperada (o arquivo deve estar danificado)"));
    if (output.exitCode != ReaderProtocol::ExitOk)
        return Status::failure(tr("a leitura do arquivo falhou (código %1)").arg(output.exitCode));
    return parsed;
}

Status SourceBook::parseStream()
{
    const QByteArrayView all(m_stream);
    const QByteArray header = QByteArray(ReaderProtocol::kProgram) + '\t' +
                              QByteArray::number(ReaderProtocol::kVersion) + '\n';
    if (!all.startsWith(header))
        return Status::failure(brokenOff());
    qsizetype start = header.size();
    bool done = false;
    while (start < all.size()) {
        const qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            break;
        if (Status line = parseLine(all.sliced(start, end - start), done); !line)
            return line;
        start = end + 1;
    }
    return done ? Status::success() : Status::failure(brokenOff());
}

Status SourceBook::parseLine(QByteArrayView line, bool& done)
{
    if (line.startsWith("r\t")) {
        if (!m_current || done)
            return Status::failure(brokenOff());
        m_current->rows.append(line.sliced(2));
        return Status::success();
    }
    const QList<QByteArrayView> f = splitFields(line);
    const QByteArrayView tag = f.constFirst();
    qint64 number = 0;
    if (tag == "error")
        return Status::failure(refusalReason(f));
    if (tag == "file")
        return Status::success();
    if (tag == "table" && f.size() == 4 && toCount(f.at(2), number) &&
        toCount(f.at(3), m_pendingColumns)) {
        m_tables.append({QString::fromUtf8(f.at(1)), number, {}, {}});
        return Status::success();
    }
    if (tag == "column" && f.size() == 4 && m_pendingColumns > 0 && !m_tables.isEmpty()) {
        --m_pendingColumns;
        m_tables.last().columns.append(
            {QString::fromUtf8(f.at(1)), int(f.at(2).toInt()), int(f.at(3).toInt())});
        return Status::success();
    }
    if (tag == "rows" && f.size() == 2 && !m_current) {
        const QString name = QString::fromUtf8(f.at(1));
        for (SourceTable& t : m_tables) {
            if (t.name == name)
                m_current = &t;
        }
        return m_current ? Status::success() : Status::failure(brokenOff());
    }
    if (tag == "end" && f.size() == 3 && m_current && toCount(f.at(2), number)) {
        // The reader compared its rows with the table definition; so does this side.
        const bool whole = number == m_current->rows.size() && number == m_current->declaredRows;
        m_current = nullptr;
        ++m_ended;
        return whole ? Status::success() : Status::failure(brokenOff());
    }
    if (tag == "done" && !m_current && m_ended == m_tables.size()) {
        done = true;
        return Status::success();
    }
    return Status::failure(brokenOff());
}
