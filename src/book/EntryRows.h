#pragma once

#include "core/Money.h"

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <array>
#include <memory>
#include <optional>
#include <vector>

// The entries of a period as the grid holds them: fixed-size records in
// blocks, and their texts in one shared arena, so a period of a million
// entries costs little more than the entries themselves and never copies
// itself while it grows.
class EntryRows
{
public:
    struct Entry
    {
        qint64 id = 0;
        std::optional<qint64> idconta;
        QDate data;
        QTime hora;
        // Views: the texts are copied into the rows' own storage on append.
        std::optional<QStringView> ndoc;
        std::optional<QStringView> descricao;
        std::optional<Money> entrada;
        std::optional<Money> saida;
    };

    EntryRows();
    EntryRows(EntryRows&&) noexcept;
    EntryRows& operator=(EntryRows&&) noexcept;
    ~EntryRows();

    void append(const Entry& entry);
    void clear();
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    qint64 id(qsizetype row) const { return at(row).id; }
    std::optional<qint64> idconta(qsizetype row) const;
    QDate data(qsizetype row) const;
    QTime hora(qsizetype row) const;
    // A null text reads as an empty view, as the grid shows it.
    QStringView ndoc(qsizetype row) const;
    QStringView descricao(qsizetype row) const;
    std::optional<Money> entrada(qsizetype row) const;
    std::optional<Money> saida(qsizetype row) const;

    // The running balance after a row, set by the grid as it adds the rows up.
    Money balance(qsizetype row) const { return Money::fromUnits(at(row).balance); }
    void setBalance(qsizetype row, Money balance) { at(row).balance = balance.units(); }

    // Bytes held, for the benchmark.
    qsizetype memoryUsed() const;

private:
    enum Flag : quint8 {
        HasConta = 1,
        HasData = 2,
        HasHora = 4,
        HasNdoc = 8,
        HasDescricao = 16,
        HasEntrada = 32,
        HasSaida = 64
    };
    struct Record
    {
        qint64 id;
        qint64 idconta;
        qint64 entrada;
        qint64 saida;
        qint64 balance;
        qint32 julianDay;
        qint32 seconds;
        quint32 textChunk;
        quint32 textOffset;
        quint32 ndocLength;
        quint32 descricaoLength;
        quint8 flags;
    };
    static constexpr qsizetype kRecordsPerBlock = 4096;
    static constexpr qsizetype kTextChunkChars = 1 << 20;
    using Block = std::array<Record, kRecordsPerBlock>;

    Record& at(qsizetype row)
    {
        return (*m_blocks[size_t(row / kRecordsPerBlock)])[size_t(row % kRecordsPerBlock)];
    }
    const Record& at(qsizetype row) const
    {
        return (*m_blocks[size_t(row / kRecordsPerBlock)])[size_t(row % kRecordsPerBlock)];
    }
    void storeTexts(Record& record, QStringView ndoc, QStringView descricao);

    std::vector<std::unique_ptr<Block>> m_blocks;
    std::vector<std::unique_ptr<char16_t[]>> m_textChunks;
    std::vector<qsizetype> m_textChunkCapacity;
    qsizetype m_textUsedInLastChunk = 0;
    qsizetype m_size = 0;
};
