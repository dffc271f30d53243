#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QRawFont>
#include <QString>

#include <vector>

// One TrueType face as a PDF embeds it: characters become glyph ids straight
// from the face's own tables (no shaping: a report's texts need none), the
// glyphs used are remembered with the character each stands for, so the PDF
// can embed just those glyphs and map them back to text for search and copy.
// Made and used on one thread; once drawing is over, the writer reads it on
// any thread.
class PdfFont
{
public:
    explicit PdfFont(const QRawFont& face);

    bool isValid() const { return m_valid; }
    int unitsPerEm() const { return m_unitsPerEm; }
    int ascent() const { return m_ascent; } // font units, upwards
    int descent() const { return m_descent; }

    struct Glyph
    {
        quint16 id = 0;
        int advance = 0; // font units
    };
    // The code point at i, stepping i over the second half of a pair.
    static char32_t codePointAt(QStringView text, qsizetype& i)
    {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            return QChar::surrogateToUcs4(c, text[i].unicode());
        }
        return c;
    }

    // The glyph of a character (a code point), marked as used.
    Glyph glyph(char32_t character);
    // A text's width in font units, without marking anything.
    qint64 width(QStringView text);
    // Drawing is over: the face goes (on the thread that made it), what the
    // writer needs stays.
    void releaseFace() { m_face = QRawFont(); }

    // For the writer.
    QString postScriptName() const { return m_postScriptName; }
    // The name pages call it by, given by its set.
    const QByteArray& resourceName() const { return m_resourceName; }
    void setResourceName(const QByteArray& name) { m_resourceName = name; }
    QByteArray subset() const;      // a TrueType program holding the used glyphs
    QByteArray toUnicode() const;   // the CMap from glyph ids back to text
    QByteArray widths() const;      // the /W array, per thousand of the em
    QByteArray boundingBox() const; // the /FontBBox array
    int capHeight() const;
    int advanceOf(quint16 glyph) const { return glyph < m_advances.size() ? m_advances[glyph] : 0; }

private:
    quint16 lookUp(char32_t character);

    QRawFont m_face;
    bool m_valid = false;
    QHash<quint32, QByteArray> m_tables;
    int m_unitsPerEm = 1000;
    int m_ascent = 0;
    int m_descent = 0;
    int m_glyphCount = 0;
    int m_metricCount = 0;
    QString m_postScriptName;
    QByteArray m_resourceName;
    std::vector<qint32> m_basic;       // glyph of each character below 65536; -1 unknown
    QHash<char32_t, quint16> m_others; // the rest
    std::vector<quint16> m_advances;   // by glyph id
    std::vector<char32_t> m_used;      // by glyph id: the character it stands for; 0 unused
    // The glyphs used, in order, with their characters.
    QList<std::pair<quint16, char32_t>> used() const;
};
