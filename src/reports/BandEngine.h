#pragma once

#include "reports/ReportDefinition.h"

#include <QList>
#include <QString>
#include <QVarLengthArray>

#include <utility>

// One band as it will print: which section, which data row it is bound to,
// and where the texts its Format hook set are kept. A bound field's text is
// not stored: it is read from the row when the band is drawn, so a long
// report costs little more than its rows.
struct Band
{
    qint32 row = -1;      // -1 for the bands outside any row
    qint32 firstText = 0; // the texts set by the hook are kept from here on
    qint16 section = -1;
    quint8 textCount = 0;
    bool pageBreak = false; // a new page starts before this band
};

// The texts a Format hook set on one band: a control's index and its text.
using BandTexts = QVarLengthArray<std::pair<int, QString>, 4>;

// The rows a report runs over. Read from several threads at once (the
// layout and the preview), so it must not change once the run starts.
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

// The data columns each control of each section is bound to, resolved once.
class FieldBindings
{
public:
    FieldBindings() = default;
    FieldBindings(const ReportDefinition& definition, const ReportDataSource& rows);
    int columnOf(int section, int control) const { return m_columns.at(section).at(control); }
    // A control's text on a band: what the hook set, else its bound field,
    // else its fixed text.
    QString text(const ReportDefinition& definition, const ReportDataSource& rows, const Band& band,
                 int control, const QString* set) const;

private:
    QList<QList<int>> m_columns;
};

// What a Format hook may read and change of the band about to be laid out.
class BandContext
{
public:
    BandContext(const ReportDefinition& definition, const ReportDataSource& rows,
                const FieldBindings& bindings, Band& band, BandTexts& texts)
        : m_definition(definition), m_rows(rows), m_bindings(bindings), m_band(band), m_texts(texts)
    {
    }
    const ReportSection& section() const { return m_definition.sections.at(m_band.section); }
    // The data row the band is bound to; -1 for the bands outside any row.
    qsizetype row() const { return m_band.row; }
    // A control's text as it will print; empty for a name the band lacks.
    QString text(const QString& control) const;
    void setText(const QString& control, const QString& text);
    void setPageBreak(bool on) { m_band.pageBreak = on; }

private:
    const ReportDefinition& m_definition;
    const ReportDataSource& m_rows;
    const FieldBindings& m_bindings;
    Band& m_band;
    BandTexts& m_texts;
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

// Where the bands go as they are produced.
class BandSink
{
public:
    virtual ~BandSink() = default;
    virtual void add(Band band, const BandTexts& texts) = 0;
};

// Feeds the rows through the sections: the report header, then per group a
// group header, a detail band per row and a group footer, then the report
// footer. Rows must arrive ordered by the group field. Page headers and
// footers without height are left out. Runs in steps, so a long report can
// be shown and stopped while it is made.
class BandRunner
{
public:
    BandRunner(const ReportDefinition& definition, const ReportDataSource& rows,
               const FieldBindings& bindings, ReportEvents& events, BandSink& sink);

    // Produces the bands of up to `count` more rows (the closing bands after
    // the last row); true once the report is complete.
    bool run(qsizetype count);
    qsizetype rowsDone() const { return m_row; }

private:
    void produce(ReportSection::Kind kind, qsizetype row);

    const ReportDefinition& m_definition;
    const ReportDataSource& m_rows;
    const FieldBindings& m_bindings;
    ReportEvents& m_events;
    BandSink& m_sink;
    int m_keyColumn = -1;
    QString m_key;
    bool m_inGroup = false;
    bool m_started = false;
    bool m_done = false;
    qsizetype m_row = 0;
};
