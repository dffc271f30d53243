#include "reports/PdfFont.h"

#include <QSet>

#include <algorithm>

namespace {

quint32 tag(const char* name)
{
    return (quint32(uchar(name[0])) << 24) | (quint32(uchar(name[1])) << 16) |
           (quint32(uchar(name[2])) << 8) | quint32(uchar(name[3]));
}

// The tables a TrueType program in a PDF needs (the hinting ones when the
// face has them); the glyph map, names and the rest stay out.
const char* const kTables[] = {"cvt ", "fpgm", "glyf", "head", "hhea",
                               "hmtx", "loca", "maxp", "prep"};

quint16 u16(const QByteArray& data, qsizetype at)
{
    if (at < 0 || at + 2 > data.size())
        return 0;
    return quint16((uchar(data[at]) << 8) | uchar(data[at + 1]));
}

qint16 s16(const QByteArray& data, qsizetype at)
{
    return qint16(u16(data, at));
}

quint32 u32(const QByteArray& data, qsizetype at)
{
    return (quint32(u16(data, at)) << 16) | u16(data, at + 2);
}

void put16(QByteArray& data, quint16 value)
{
    data.append(char(value >> 8));
    data.append(char(value & 0xff));
}

void put32(QByteArray& data, quint32 value)
{
    put16(data, quint16(value >> 16));
    put16(data, quint16(value & 0xffff));
}

void set32(QByteArray& data, qsizetype at, quint32 value)
{
    data[at] = char(value >> 24);
    data[at + 1] = char((value >> 16) & 0xff);
    data[at + 2] = char((value >> 8) & 0xff);
    data[at + 3] = char(value & 0xff);
}

quint32 checksum(const QByteArray& data)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i < data.size(); i += 4) {
        quint32 word = 0;
        for (int b = 0; b < 4; ++b)
            word = (word << 8) | (i + b < data.size() ? uchar(data[i + b]) : 0);
        sum += word;
    }
    return sum;
}

QByteArray hex16(quint32 value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0').toUpper();
}

// The PostScript name (name id 6) from the face's name table, if written
// in one of the two usual encodings.
QString postScriptNameOf(const QByteArray& name)
{
    const int count = u16(name, 2);
    const int strings = u16(name, 4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        const int platform = u16(name, record);
        if (u16(name, record + 6) != 6)
            continue;
        const int length = u16(name, record + 8);
        const qsizetype at = strings + u16(name, record + 10);
        if (at + length > name.size())
            continue;
        if (platform == 1)
            return QString::fromLatin1(name.mid(at, length));
        if (platform == 3 || platform == 0) {
            QString text;
            for (int c = 0; c + 1 < length; c += 2)
                text.append(QChar(u16(name, at + c)));
            return text;
        }
    }
    return QString();
}

} // namespace

PdfFont::PdfFont(const QRawFont& face) : m_face(face), m_basic(65536, -1)
{
    if (!m_face.isValid())
        return;
    for (const char* name : kTables) {
        const QByteArray table = m_face.fontTable(name);
        if (!table.isEmpty())
            m_tables.insert(tag(name), table);
    }
    const QByteArray head = m_tables.value(tag("head"));
    const QByteArray hhea = m_tables.value(tag("hhea"));
    const QByteArray maxp = m_tables.value(tag("maxp"));
    m_valid = head.size() >= 54 && hhea.size() >= 36 && maxp.size() >= 6 &&
              m_tables.contains(tag("glyf")) && m_tables.contains(tag("loca")) &&
              m_tables.contains(tag("hmtx"));
    if (!m_valid)
        return;
    m_unitsPerEm = std::max<int>(16, u16(head, 18));
    m_ascent = s16(hhea, 4);
    m_descent = -s16(hhea, 6);
    m_metricCount = u16(hhea, 34);
    m_glyphCount = u16(maxp, 4);
    const QByteArray& hmtx = *m_tables.constFind(tag("hmtx"));
    m_advances.resize(std::size_t(m_glyphCount));
    for (int g = 0; g < m_glyphCount; ++g)
        m_advances[std::size_t(g)] =
            u16(hmtx, 4 * qsizetype(std::min(g, std::max(0, m_metricCount - 1))));
    m_used.assign(std::size_t(m_glyphCount), 0);
    m_postScriptName = postScriptNameOf(m_face.fontTable("name"));
    if (m_postScriptName.isEmpty())
        m_postScriptName = QString(m_face.familyName() + u'-' + m_face.styleName()).remove(u' ');
}

QList<std::pair<quint16, char32_t>> PdfFont::used() const
{
    QList<std::pair<quint16, char32_t>> glyphs;
    for (std::size_t g = 0; g < m_used.size(); ++g) {
        if (m_used[g] != 0)
            glyphs.append({quint16(g), m_used[g]});
    }
    return glyphs;
}

quint16 PdfFont::lookUp(char32_t character)
{
    if (character < 65536 && m_basic[character] >= 0)
        return quint16(m_basic[character]);
    if (character >= 65536) {
        if (const auto known = m_others.constFind(character); known != m_others.constEnd())
            return *known;
    }
    const QString text = QString::fromUcs4(&character, 1);
    quint32 glyphs[2] = {0, 0};
    int count = 2;
    if (!m_face.isValid() ||
        !m_face.glyphIndexesForChars(text.constData(), int(text.size()), glyphs, &count))
        glyphs[0] = 0;
    const quint16 id = glyphs[0] < quint32(m_glyphCount) ? quint16(glyphs[0]) : 0;
    if (character < 65536)
        m_basic[character] = id;
    else
        m_others.insert(character, id);
    return id;
}

PdfFont::Glyph PdfFont::glyph(char32_t character)
{
    const quint16 id = lookUp(character);
    if (id != 0 && m_used[id] == 0)
        m_used[id] = character;
    return {id, advanceOf(id)};
}

qint64 PdfFont::width(QStringView text)
{
    qint64 total = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = PdfFont::codePointAt(text, i);
        total += advanceOf(lookUp(c));
    }
    return total;
}

// The used glyphs keep their ids; every other glyph is left empty, so the
// program is small and the ids the pages use still hold. Composite glyphs
// bring the glyphs they are made of.
QByteArray PdfFont::subset() const
{
    const QByteArray& loca = *m_tables.constFind(tag("loca"));
    const QByteArray& glyf = *m_tables.constFind(tag("glyf"));
    const bool longOffsets = s16(*m_tables.constFind(tag("head")), 50) != 0;
    const auto offsetOf = [&](int g) -> qsizetype {
        return longOffsets ? qsizetype(u32(loca, 4 * qsizetype(g)))
                           : 2 * qsizetype(u16(loca, 2 * qsizetype(g)));
    };
    QSet<int> keep{0};
    QList<int> pending;
    for (const auto& [glyph, character] : used())
        pending.append(glyph);
    while (!pending.isEmpty()) {
        const int g = pending.takeLast();
        if (g >= m_glyphCount || (keep.contains(g) && g != 0))
            continue;
        keep.insert(g);
        const qsizetype start = offsetOf(g);
        if (offsetOf(g + 1) <= start || s16(glyf, start) >= 0)
            continue;
        qsizetype at = start + 10; // a composite: its parts follow the header
        for (quint16 flags = 0x20; flags & 0x20;) {
            flags = u16(glyf, at);
            pending.append(u16(glyf, at + 2));
            at += 4 + ((flags & 0x0001) ? 4 : 2);
            at += (flags & 0x0008) ? 2 : (flags & 0x0040) ? 4 : (flags & 0x0080) ? 8 : 0;
            if (at >= glyf.size())
                break;
        }
    }

    QByteArray newGlyf;
    QByteArray newLoca;
    for (int g = 0; g < m_glyphCount; ++g) {
        put32(newLoca, quint32(newGlyf.size()));
        if (!keep.contains(g))
            continue;
        const qsizetype start = offsetOf(g);
        const qsizetype end = std::min(offsetOf(g + 1), glyf.size());
        if (end > start)
            newGlyf.append(glyf.mid(start, end - start));
        while (newGlyf.size() % 4)
            newGlyf.append('\0');
    }
    put32(newLoca, quint32(newGlyf.size()));

    QMap<quint32, QByteArray> tables;
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
        tables.insert(it.key(), it.value());
    tables[tag("glyf")] = newGlyf;
    tables[tag("loca")] = newLoca;
    QByteArray head = tables.value(tag("head"));
    set32(head, 8, 0); // the whole-file checksum is left to readers
    head[50] = 0;      // long offsets in loca
    head[51] = 1;

    tables[tag("head")] = head;
    QByteArray font;
    const int count = int(tables.size());
    int power = 1;
    int log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    put32(font, 0x00010000);
    put16(font, quint16(count));
    put16(font, quint16(power * 16));
    put16(font, quint16(log));
    put16(font, quint16(count * 16 - power * 16));
    qsizetype offset = 12 + 16 * qsizetype(count);
    QByteArray body;
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        QByteArray data = it.value();
        put32(font, it.key());
        put32(font, checksum(data));
        put32(font, quint32(offset + body.size()));
        put32(font, quint32(data.size()));
        while (data.size() % 4)
            data.append('\0');
        body.append(data);
    }
    return font + body;
}

QByteArray PdfFont::toUnicode() const
{
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    const QList<std::pair<quint16, char32_t>> pairs = used();
    for (qsizetype from = 0; from < pairs.size(); from += 100) {
        const qsizetype n = std::min<qsizetype>(100, pairs.size() - from);
        cmap += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype i = from; i < from + n; ++i) {
            const QString text = QString::fromUcs4(&pairs.at(i).second, 1);
            QByteArray units;
            for (const QChar c : text)
                units += hex16(c.unicode());
            cmap += '<' + hex16(pairs.at(i).first) + "> <" + units + ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

QByteArray PdfFont::widths() const
{
    QByteArray w = "[";
    int previous = -2;
    for (const auto& [glyph, character] : used()) {
        const int g = glyph;
        if (g != previous + 1) {
            if (previous >= 0)
                w += ']';
            w += ' ' + QByteArray::number(g) + " [";
        } else {
            w += ' ';
        }
        w += QByteArray::number(qRound(advanceOf(quint16(g)) * 1000.0 / m_unitsPerEm));
        previous = g;
    }
    if (previous >= 0)
        w += ']';
    return w + " ]";
}

QByteArray PdfFont::boundingBox() const
{
    const QByteArray& head = *m_tables.constFind(tag("head"));
    QByteArray box = "[";
    for (qsizetype at : {36, 38, 40, 42})
        box += ' ' + QByteArray::number(qRound(s16(head, at) * 1000.0 / m_unitsPerEm));
    return box + " ]";
}

int PdfFont::capHeight() const
{
    // The capital letters' height is about seven tenths of the ascent.
    return qRound(m_ascent * 0.7 * 1000.0 / m_unitsPerEm);
}
