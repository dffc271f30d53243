#pragma once

#include "reports/ReportDefinition.h"

#include <QList>
#include <QString>

// One band as it will print: which section, and the text of each of the
// section's controls (in the section's order).
struct Band
{
    int section = -1;
    QList<QString> texts;
    bool pageBreak = false; // a new page starts before this band
};

// The rows a report runs over.
class ReportDataSource
{
public:
    virtual ~ReportDataSource() = default;
    virtual qsizetype rowCount() const = 0;
    // The column bound to a field name, or -1 when there is none.
    virtual int columnOf(const QString& field) const = 0;
    // A value as it prints in the given format; an empty format gives the
    // value's plain text (group keys are compared in this form).
    virtual QString fieldText(qsizetype row, int column, const QString& format) const = 0;
};

// What a Format hook may read and change of the band about to be laid out.
class BandContext
{
public:
    BandContext(const ReportSection& section, Band& band, qsizetype row)
        : m_section(section), m_band(band), m_row(row)
    {
    }
    const ReportSection& section() const { return m_section; }
    // The data row the band is bound to; -1 for the bands outside any row.
    qsizetype row() const { return m_row; }
    // A control's text as it will print; empty for a name the band lacks.
    QString text(const QString& control) const;
    void setText(const QString& control, const QString& text);
    void setPageBreak(bool on) { m_band.pageBreak = on; }

private:
    const ReportSection& m_section;
    Band& m_band;
    qsizetype m_row;
};

// The hooks of a report, called in the order the bands are produced.
class ReportEvents
{
public:
    virtual ~ReportEvents() = default;
    virtual void reportStart() {}
    // Called for every band just before it is laid out, so that what the
    // hook writes is what prints.
    virtual void format(BandContext& band) = 0;
};

namespace BandEngine {

// Feeds the rows through the sections: the report header, then per group a
// group header, a detail band per row and a group footer, then the report
// footer. Rows must arrive ordered by the group field. Page headers and
// footers without height are left out.
QList<Band> run(const ReportDefinition& definition, const ReportDataSource& rows,
                ReportEvents& events);

} // namespace BandEngine
