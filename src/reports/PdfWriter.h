#pragma once

#include "reports/PdfCanvas.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSizeF>
#include <QString>

class QIODevice;

// Writes a PDF file page by page: each page's drawing goes to the file as
// soon as it is added (compressed), so a report of thousands of pages needs
// no more memory than one page. The fonts are embedded at the end, with
// just the glyphs the pages used and the map back to their text.
class PdfWriter
{
public:
    // compression: zlib's level, 1 (fastest) to 9 (smallest).
    PdfWriter(QIODevice& out, QSizeF pageTwips, int compression);

    void setInfo(const QString& title, const QString& creator);
    // A page drawn with the fonts of `fonts` (a chart drawn apart brings its
    // own set). False when the file could not be written.
    bool addPage(const QByteArray& operators, const QList<const PdfFontSet*>& fonts);
    // Everything that follows the pages: fonts, page list, index.
    bool finish();

private:
    int reserve() { return ++m_lastObject; }
    void beginObject(int number);
    void write(const QByteArray& bytes);
    void writeStream(int number, const QByteArray& data, const QByteArray& extra = {});
    int resourcesFor(const QList<const PdfFontSet*>& fonts);
    void writeFont(const PdfFont& font, int number);

    QIODevice& m_out;
    QSizeF m_page;
    int m_compression;
    bool m_ok = true;
    qint64 m_written = 0;
    int m_lastObject = 0;
    QHash<int, qint64> m_offsets;
    int m_catalog = 0;
    int m_pages = 0;
    int m_info = 0;
    QString m_title;
    QString m_creator;
    QList<int> m_pageObjects;
    // Each set of fonts, its fonts' objects, and the resources naming them.
    QList<const PdfFontSet*> m_sets;
    QHash<const PdfFont*, int> m_fontObjects;
    QHash<QByteArray, int> m_resources; // by the sets' addresses
    QList<std::pair<int, QList<const PdfFontSet*>>> m_resourceSets;
};
