#include "reports/PdfWriter.h"

#include <QIODevice>

#include <zlib.h>

namespace {

// A text string the way PDF readers take any text: UTF-16 with its mark.
QByteArray textString(const QString& text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + '>';
}

QByteArray ref(int number)
{
    return QByteArray::number(number) + " 0 R";
}

QByteArray points(double twips)
{
    return QByteArray::number(twips / 20, 'f', 2);
}

} // namespace

PdfWriter::PdfWriter(QIODevice& out, QSizeF pageTwips, int compression)
    : m_out(out), m_page(pageTwips), m_compression(compression)
{
    // The binary comment tells transfer programs the file is not text.
    write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    m_catalog = reserve();
    m_pages = reserve();
    m_info = reserve();
}

void PdfWriter::setInfo(const QString& title, const QString& creator)
{
    m_title = title;
    m_creator = creator;
}

void PdfWriter::write(const QByteArray& bytes)
{
    if (!m_ok)
        return;
    if (m_out.write(bytes) != bytes.size())
        m_ok = false;
    m_written += bytes.size();
}

void PdfWriter::beginObject(int number)
{
    m_offsets.insert(number, m_written);
    write(QByteArray::number(number) + " 0 obj\n");
}

void PdfWriter::writeStream(int number, const QByteArray& data, const QByteArray& extra)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray packed(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  m_compression) != Z_OK) {
        m_ok = false;
        return;
    }
    packed.truncate(qsizetype(size));
    beginObject(number);
    write("<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" + extra +
          " >>\nstream\n");
    write(packed);
    write("\nendstream\nendobj\n");
}

int PdfWriter::resourcesFor(const QList<const PdfFontSet*>& fonts)
{
    QByteArray key;
    for (const PdfFontSet* set : fonts) {
        key += QByteArray::number(quintptr(set), 16) + ',';
        if (!m_sets.contains(set))
            m_sets.append(set);
    }
    auto known = m_resources.constFind(key);
    if (known == m_resources.constEnd()) {
        known = m_resources.insert(key, reserve());
        m_resourceSets.append({*known, fonts});
    }
    return *known;
}

bool PdfWriter::addPage(const QByteArray& operators, const QList<const PdfFontSet*>& fonts)
{
    const int resources = resourcesFor(fonts);
    const int content = reserve();
    writeStream(content, operators);
    const int page = reserve();
    beginObject(page);
    write("<< /Type /Page /Parent " + ref(m_pages) + " /Resources " + ref(resources) +
          " /Contents " + ref(content) + " >>\nendobj\n");
    m_pageObjects.append(page);
    return m_ok;
}

// A Type 0 font over a TrueType CID font, glyph ids as codes (Identity-H),
// with the subset program, its widths and the map back to text.
void PdfWriter::writeFont(const PdfFont& font, int number)
{
    const int cidFont = reserve();
    const int descriptor = reserve();
    const int program = reserve();
    const int toUnicode = reserve();
    // A subset's name starts with six capitals of its own.
    QByteArray name;
    for (int n = number, i = 0; i < 6; ++i, n /= 26)
        name.prepend(char('A' + n % 26));
    name += '+' + font.postScriptName().toLatin1();
    beginObject(number);
    write("<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
          " /Encoding /Identity-H /DescendantFonts [" + ref(cidFont) + "] /ToUnicode " +
          ref(toUnicode) + " >>\nendobj\n");
    beginObject(cidFont);
    write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
          " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
          " /FontDescriptor " +
          ref(descriptor) + " /CIDToGIDMap /Identity /DW 1000 /W " + font.widths() +
          " >>\nendobj\n");
    const auto perMille = [&](int units) {
        return QByteArray::number(qRound(units * 1000.0 / font.unitsPerEm()));
    };
    beginObject(descriptor);
    write("<< /Type /FontDescriptor /FontName /" + name + " /Flags 32 /FontBBox " +
          font.boundingBox() + " /ItalicAngle 0 /Ascent " + perMille(font.ascent()) +
          " /Descent -" + perMille(font.descent()) + " /CapHeight " +
          QByteArray::number(font.capHeight()) + " /StemV 80 /FontFile2 " + ref(program) +
          " >>\nendobj\n");
    const QByteArray subset = font.subset();
    writeStream(program, subset, " /Length1 " + QByteArray::number(subset.size()));
    writeStream(toUnicode, font.toUnicode());
}

bool PdfWriter::finish()
{
    for (const PdfFontSet* set : std::as_const(m_sets)) {
        for (qsizetype i = 0; i < set->size(); ++i)
            m_fontObjects.insert(&set->at(i), reserve());
    }
    for (const PdfFontSet* set : std::as_const(m_sets)) {
        for (qsizetype i = 0; i < set->size(); ++i) {
            if (set->at(i).isValid())
                writeFont(set->at(i), m_fontObjects.value(&set->at(i)));
        }
    }
    for (const auto& [number, sets] : std::as_const(m_resourceSets)) {
        QByteArray fonts;
        for (const PdfFontSet* set : sets) {
            for (qsizetype i = 0; i < set->size(); ++i) {
                if (set->at(i).isValid())
                    fonts += " /" + set->nameOf(i) + ' ' + ref(m_fontObjects.value(&set->at(i)));
            }
        }
        beginObject(number);
        write("<< /ProcSet [/PDF /Text] /Font <<" + fonts + " >> >>\nendobj\n");
    }

    QByteArray kids;
    for (const int page : std::as_const(m_pageObjects))
        kids += ref(page) + ' ';
    beginObject(m_pages);
    write("<< /Type /Pages /Kids [" + kids + "] /Count " +
          QByteArray::number(m_pageObjects.size()) + " /MediaBox [0 0 " + points(m_page.width()) +
          ' ' + points(m_page.height()) + "] >>\nendobj\n");
    beginObject(m_catalog);
    write("<< /Type /Catalog /Pages " + ref(m_pages) + " >>\nendobj\n");
    beginObject(m_info);
    write("<< /Title " + textString(m_title) + " /Creator " + textString(m_creator) +
          " /Producer " + textString(m_creator) + " >>\nendobj\n");

    const qint64 xref = m_written;
    QByteArray table =
        "xref\n0 " + QByteArray::number(m_lastObject + 1) + "\n0000000000 65535 f \n";
    for (int n = 1; n <= m_lastObject; ++n)
        table += QByteArray::number(m_offsets.value(n), 10).rightJustified(10, '0') + " 00000 n \n";
    write(table);
    write("trailer\n<< /Size " + QByteArray::number(m_lastObject + 1) + " /Root " + ref(m_catalog) +
          " /Info " + ref(m_info) + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    return m_ok;
}
