#pragma once

#include <QHash>
#include <QString>

// Reads back the first sheet of a workbook written by the program: a zip of
// XML parts, unpacked with the "unzip" tool.
class XlsxReader
{
public:
    struct Cell
    {
        bool isNumber = false;
        QString text; // strings
        double number = 0;
        QString format; // the number format, "General" when none
    };

    // False when the file is not a readable workbook.
    bool read(const QString& fileName);

    bool has(const QString& ref) const { return m_cells.contains(ref); }
    Cell cell(const QString& ref) const { return m_cells.value(ref); }
    QString text(const QString& ref) const { return m_cells.value(ref).text; }
    double number(const QString& ref) const { return m_cells.value(ref).number; }
    // The row (from 1) whose column A holds the text, or -1.
    int rowOf(const QString& text) const;
    int lastRow() const { return m_lastRow; }
    QString sheetName() const { return m_sheetName; }
    QString title() const { return m_title; }

private:
    QHash<QString, Cell> m_cells;
    int m_lastRow = 0;
    QString m_sheetName;
    QString m_title;
};
