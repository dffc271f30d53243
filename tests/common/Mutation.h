#pragma once

#include <QByteArray>

#include <cstdint>

// Deterministic damage to a file's bytes, the same on every machine: the
// mutation tests and the benchmarks rebuild the very same damaged files from
// a seed instead of keeping them.
namespace Mutation {

// SplitMix64: a tiny generator whose output depends on the seed alone.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to bound - 1.
    qint64 below(qint64 bound) { return qint64(next() % std::uint64_t(bound)); }

private:
    std::uint64_t m_state;
};

// `count` bits flipped at places the seed chooses.
inline QByteArray flipBits(QByteArray bytes, std::uint64_t seed, int count)
{
    Random random(seed);
    for (int i = 0; i < count; ++i) {
        const qint64 bit = random.below(bytes.size() * 8);
        bytes[bit >> 3] = char(bytes[bit >> 3] ^ (1 << (bit & 7)));
    }
    return bytes;
}

// The file cut short at a place the seed chooses.
inline QByteArray truncated(const QByteArray& bytes, std::uint64_t seed)
{
    return bytes.left(Random(seed).below(bytes.size()));
}

// One page of the file, chosen by the seed, filled with zeros.
inline QByteArray zeroedPage(QByteArray bytes, std::uint64_t seed, qint64 pageSize)
{
    const qint64 page = Random(seed).below(bytes.size() / pageSize);
    bytes.replace(page * pageSize, pageSize, QByteArray(pageSize, '\0'));
    return bytes;
}

// bd-completo.mdb with 64 bits flipped by this seed sends libmdb round in
// circles: it prints "mdb_col_to_string called on unsupported data type 0"
// without end (found by trying seeds in order; 13 is the first).
constexpr std::uint64_t kRunawayAccessSeed = 13;
constexpr int kRunawayAccessFlips = 64;

} // namespace Mutation
