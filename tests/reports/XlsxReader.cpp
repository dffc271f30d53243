#include "XlsxReader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

QByteArray part(const QString& fileName, const QString& name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), fileName, name});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return QByteArray();
    return unzip.readAllStandardOutput();
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList strings;
    QXmlStreamReader r(xml);
    QString current;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"si")
            current.clear();
        else if (r.isStartElement() && r.name() == u"t")
            current += r.readElementText();
        else if (r.isEndElement() && r.name() == u"si")
            strings.append(current);
    }
    return strings;
}

// The number format of each cell style, by style index.
QStringList styleFormats(const QByteArray& xml)
{
    // The built-in formats the program uses; the others are listed in the file.
    QHash<int, QString> formats{{0, QStringLiteral("General")},
                                {4, QStringLiteral("#,##0.00")},
                                {14, QStringLiteral("m/d/yy")},
                                {20, QStringLiteral("h:mm")}};
    QStringList styles;
    QXmlStreamReader r(xml);
    bool inCellXfs = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == u"numFmt")
            formats.insert(r.attributes().value(QLatin1String("numFmtId")).toInt(),
                           r.attributes().value(QLatin1String("formatCode")).toString());
        else if (r.isStartElement() && r.name() == u"cellXfs")
            inCellXfs = true;
        else if (r.isEndElement() && r.name() == u"cellXfs")
            inCellXfs = false;
        else if (inCellXfs && r.isStartElement() && r.name() == u"xf")
            styles.append(formats.value(r.attributes().value(QLatin1String("numFmtId")).toInt(),
                                        QStringLiteral("?")));
    }
    return styles;
}

} // namespace

bool XlsxReader::read(const QString& fileName)
{
    m_cells.clear();
    const QByteArray sheet = part(fileName, QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheet.isEmpty())
        return false;
    const QStringList strings =
        sharedStrings(part(fileName, QStringLiteral("xl/sharedStrings.xml")));
    const QStringList styles = styleFormats(part(fileName, QStringLiteral("xl/styles.xml")));
    QXmlStreamReader r(sheet);
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement() || r.name() != u"c")
            continue;
        const QString ref = r.attributes().value(QLatin1String("r")).toString();
        const QString type = r.attributes().value(QLatin1String("t")).toString();
        const int style = r.attributes().value(QLatin1String("s")).toInt();
        Cell cell;
        cell.format = styles.value(style, QStringLiteral("General"));
        while (!(r.isEndElement() && r.name() == u"c") && !r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == u"v") {
                const QString v = r.readElementText();
                cell.isNumber = type.isEmpty() || type == u"n";
                cell.number = cell.isNumber ? v.toDouble() : 0;
                cell.text =
                    type == u"s" ? strings.value(v.toInt()) : (cell.isNumber ? QString() : v);
            }
        }
        if (cell.isNumber || !cell.text.isEmpty()) {
            m_cells.insert(ref, cell);
            QString digits = ref;
            digits.remove(QRegularExpression(QStringLiteral("[A-Z]")));
            m_lastRow = std::max(m_lastRow, digits.toInt());
        }
    }
    QXmlStreamReader book(part(fileName, QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd()) {
        if (book.readNext() == QXmlStreamReader::StartElement && book.name() == u"sheet")
            m_sheetName = book.attributes().value(QLatin1String("name")).toString();
    }
    QXmlStreamReader core(part(fileName, QStringLiteral("docProps/core.xml")));
    while (!core.atEnd()) {
        if (core.readNext() == QXmlStreamReader::StartElement && core.name() == u"title")
            m_title = core.readElementText();
    }
    return !m_cells.isEmpty();
}

int XlsxReader::rowOf(const QString& text) const
{
    for (int row = 1; row <= m_lastRow; ++row) {
        if (m_cells.value(QStringLiteral("A%1").arg(row)).text == text)
            return row;
    }
    return -1;
}
