#include "reports/BandEngine.h"

QString BandContext::text(const QString& control) const
{
    const int i = m_section.indexOf(control);
    return i < 0 ? QString() : m_band.texts.at(i);
}

void BandContext::setText(const QString& control, const QString& text)
{
    const int i = m_section.indexOf(control);
    if (i >= 0)
        m_band.texts[i] = text;
}

namespace BandEngine {

namespace {

class Runner
{
public:
    Runner(const ReportDefinition& definition, const ReportDataSource& rows, ReportEvents& events)
        : m_definition(definition), m_rows(rows), m_events(events)
    {
        // Field bindings are resolved once, not per row.
        m_columns.resize(definition.sections.size());
        for (qsizetype s = 0; s < definition.sections.size(); ++s) {
            for (const ReportControl& c : definition.sections.at(s).controls)
                m_columns[s].append(c.kind == ControlKind::Field && !c.field.isEmpty()
                                        ? rows.columnOf(c.field)
                                        : -1);
        }
    }

    void produce(ReportSection::Kind kind, qsizetype row)
    {
        const int s = m_definition.sectionOf(kind);
        if (s < 0)
            return;
        const ReportSection& section = m_definition.sections.at(s);
        if (section.height == 0 && section.controls.isEmpty())
            return;
        Band band;
        band.section = s;
        band.texts.reserve(section.controls.size());
        for (qsizetype c = 0; c < section.controls.size(); ++c) {
            const int column = m_columns.at(s).at(c);
            if (column >= 0 && row >= 0)
                band.texts.append(m_rows.fieldText(row, column, section.controls.at(c).format));
            else
                band.texts.append(section.controls.at(c).text);
        }
        BandContext context(section, band, row);
        m_events.format(context);
        m_bands.append(std::move(band));
    }

    QList<Band> run()
    {
        m_events.reportStart();
        produce(ReportSection::Kind::ReportHeader, -1);
        produce(ReportSection::Kind::PageHeader, -1);
        const int header = m_definition.sectionOf(ReportSection::Kind::GroupHeader);
        const int keyColumn =
            header < 0 ? -1 : m_rows.columnOf(m_definition.sections.at(header).groupField);
        QString key;
        bool inGroup = false;
        const qsizetype count = m_rows.rowCount();
        for (qsizetype row = 0; row < count; ++row) {
            const QString rowKey =
                keyColumn < 0 ? QString() : m_rows.fieldText(row, keyColumn, QString());
            if (!inGroup || rowKey != key) {
                if (inGroup)
                    produce(ReportSection::Kind::GroupFooter, row - 1);
                produce(ReportSection::Kind::GroupHeader, row);
                key = rowKey;
                inGroup = true;
            }
            produce(ReportSection::Kind::Detail, row);
        }
        if (inGroup)
            produce(ReportSection::Kind::GroupFooter, count - 1);
        produce(ReportSection::Kind::PageFooter, -1);
        produce(ReportSection::Kind::ReportFooter, count - 1);
        return std::move(m_bands);
    }

private:
    const ReportDefinition& m_definition;
    const ReportDataSource& m_rows;
    ReportEvents& m_events;
    QList<QList<int>> m_columns;
    QList<Band> m_bands;
};

} // namespace

QList<Band> run(const ReportDefinition& definition, const ReportDataSource& rows,
                ReportEvents& events)
{
    return Runner(definition, rows, events).run();
}

} // namespace BandEngine
