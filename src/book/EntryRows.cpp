#include "book/EntryRows.h"

#include <algorithm>
#include <cstring>

EntryRows::EntryRows() = default;
EntryRows::EntryRows(EntryRows&&) noexcept = default;
EntryRows& EntryRows::operator=(EntryRows&&) noexcept = default;
EntryRows::~EntryRows() = default;

void EntryRows::clear()
{
    m_blocks.clear();
    m_textChunks.clear();
    m_textChunkCapacity.clear();
    m_textUsedInLastChunk = 0;
    m_size = 0;
}

void EntryRows::append(const Entry& entry)
{
    if (m_size % kRecordsPerBlock == 0)
        m_blocks.push_back(std::make_unique<Block>());
    Record& r = at(m_size);
    r = Record{};
    r.id = entry.id;
    quint8 flags = 0;
    if (entry.idconta) {
        flags |= HasConta;
        r.idconta = *entry.idconta;
    }
    if (entry.data.isValid()) {
        flags |= HasData;
        r.julianDay = qint32(entry.data.toJulianDay());
    }
    if (entry.hora.isValid()) {
        flags |= HasHora;
        r.seconds = entry.hora.msecsSinceStartOfDay() / 1000;
    }
    if (entry.entrada) {
        flags |= HasEntrada;
        r.entrada = entry.entrada->units();
    }
    if (entry.saida) {
        flags |= HasSaida;
        r.saida = entry.saida->units();
    }
    if (entry.ndoc)
        flags |= HasNdoc;
    if (entry.descricao)
        flags |= HasDescricao;
    r.flags = flags;
    storeTexts(r, entry.ndoc.value_or(QStringView()), entry.descricao.value_or(QStringView()));
    ++m_size;
}

// Both texts of a row sit next to each other in one chunk.
void EntryRows::storeTexts(Record& record, QStringView ndoc, QStringView descricao)
{
    const qsizetype needed = ndoc.size() + descricao.size();
    record.ndocLength = quint32(ndoc.size());
    record.descricaoLength = quint32(descricao.size());
    if (needed == 0) {
        record.textChunk = 0;
        record.textOffset = 0;
        return;
    }
    if (m_textChunks.empty() || m_textUsedInLastChunk + needed > m_textChunkCapacity.back()) {
        const qsizetype capacity = std::max(kTextChunkChars, needed);
        m_textChunks.push_back(std::make_unique_for_overwrite<char16_t[]>(size_t(capacity)));
        m_textChunkCapacity.push_back(capacity);
        m_textUsedInLastChunk = 0;
    }
    char16_t* out = m_textChunks.back().get() + m_textUsedInLastChunk;
    // An empty view may have no storage at all: nothing to copy then.
    std::copy_n(ndoc.utf16(), ndoc.size(), out);
    std::copy_n(descricao.utf16(), descricao.size(), out + ndoc.size());
    record.textChunk = quint32(m_textChunks.size() - 1);
    record.textOffset = quint32(m_textUsedInLastChunk);
    m_textUsedInLastChunk += needed;
}

std::optional<qint64> EntryRows::idconta(qsizetype row) const
{
    const Record& r = at(row);
    return (r.flags & HasConta) ? std::optional<qint64>(r.idconta) : std::nullopt;
}

QDate EntryRows::data(qsizetype row) const
{
    const Record& r = at(row);
    return (r.flags & HasData) ? QDate::fromJulianDay(r.julianDay) : QDate();
}

QTime EntryRows::hora(qsizetype row) const
{
    const Record& r = at(row);
    return (r.flags & HasHora) ? QTime::fromMSecsSinceStartOfDay(r.seconds * 1000) : QTime();
}

QStringView EntryRows::ndoc(qsizetype row) const
{
    const Record& r = at(row);
    if (r.ndocLength == 0)
        return QStringView();
    return QStringView(m_textChunks[r.textChunk].get() + r.textOffset, qsizetype(r.ndocLength));
}

QStringView EntryRows::descricao(qsizetype row) const
{
    const Record& r = at(row);
    if (r.descricaoLength == 0)
        return QStringView();
    return QStringView(m_textChunks[r.textChunk].get() + r.textOffset + r.ndocLength,
                       qsizetype(r.descricaoLength));
}

std::optional<Money> EntryRows::entrada(qsizetype row) const
{
    const Record& r = at(row);
    return (r.flags & HasEntrada) ? std::optional<Money>(Money::fromUnits(r.entrada))
                                  : std::nullopt;
}

std::optional<Money> EntryRows::saida(qsizetype row) const
{
    const Record& r = at(row);
    return (r.flags & HasSaida) ? std::optional<Money>(Money::fromUnits(r.saida)) : std::nullopt;
}

qsizetype EntryRows::memoryUsed() const
{
    qsizetype bytes = qsizetype(m_blocks.size() * sizeof(Block));
    for (qsizetype capacity : m_textChunkCapacity)
        bytes += capacity * qsizetype(sizeof(char16_t));
    return bytes;
}
