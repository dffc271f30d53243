#include "reports/BandEngine.h"

FieldBindings::FieldBindings(const ReportDefinition& definition, const ReportDataSource& rows)
{
    m_columns.resize(definition.sections.size());
    for (qsizetype s = 0; s < definition.sections.size(); ++s) {
        for (const ReportControl& c : definition.sections.at(s).controls)
            m_columns[s].append(
                c.kind == ControlKind::Field && !c.field.isEmpty() ? rows.columnOf(c.field) : -1);
    }
}

QString FieldBindings::text(const ReportDefinition& definition, const ReportDataSource& rows,
                            const Band& band, int control, const QString* set) const
{
    if (set)
        return *set;
    const ReportControl& c = definition.sections.at(band.section).controls.at(control);
    const int column = columnOf(band.section, control);
    if (column >= 0 && band.row >= 0)
        return rows.fieldText(band.row, column, c.format);
    return c.text;
}

QString BandContext::text(const QString& control) const
{
    const int i = section().indexOf(control);
    if (i < 0)
        return QString();
    for (const auto& [index, text] : m_texts) {
        if (index == i)
            return text;
    }
    return m_bindings.text(m_definition, m_rows, m_band, i, nullptr);
}

void BandContext::setText(const QString& control, const QString& text)
{
    const int i = section().indexOf(control);
    if (i < 0)
        return;
    for (auto& [index, set] : m_texts) {
        if (index == i) {
            set = text;
            return;
        }
    }
    m_texts.append({i, text});
}

BandRunner::BandRunner(const ReportDefinition& definition, const ReportDataSource& rows,
                       const FieldBindings& bindings, ReportEvents& events, BandSink& sink)
    : m_definition(definition), m_rows(rows), m_bindings(bindings), m_events(events), m_sink(sink)
{
    const int header = m_definition.sectionOf(ReportSection::Kind::GroupHeader);
    m_keyColumn = header < 0 ? -1 : m_rows.columnOf(m_definition.sections.at(header).groupField);
}

void BandRunner::produce(ReportSection::Kind kind, qsizetype row)
{
    const int s = m_definition.sectionOf(kind);
    if (s < 0)
        return;
    const ReportSection& section = m_definition.sections.at(s);
    if (section.height == 0 && section.controls.isEmpty())
        return;
    Band band;
    band.section = qint16(s);
    band.row = qint32(row);
    BandTexts texts;
    BandContext context(m_definition, m_rows, m_bindings, band, texts);
    m_events.format(context);
    m_sink.add(band, texts);
}

bool BandRunner::run(qsizetype count)
{
    if (m_done)
        return true;
    if (!m_started) {
        m_started = true;
        m_events.reportStart();
        produce(ReportSection::Kind::ReportHeader, -1);
        produce(ReportSection::Kind::PageHeader, -1);
    }
    const qsizetype total = m_rows.rowCount();
    const qsizetype end = std::min(total, m_row + count);
    for (; m_row < end; ++m_row) {
        const QString rowKey =
            m_keyColumn < 0 ? QString() : m_rows.fieldText(m_row, m_keyColumn, QString());
        if (!m_inGroup || rowKey != m_key) {
            if (m_inGroup)
                produce(ReportSection::Kind::GroupFooter, m_row - 1);
            produce(ReportSection::Kind::GroupHeader, m_row);
            m_key = rowKey;
            m_inGroup = true;
        }
        produce(ReportSection::Kind::Detail, m_row);
    }
    if (m_row < total)
        return false;
    if (m_inGroup)
        produce(ReportSection::Kind::GroupFooter, total - 1);
    produce(ReportSection::Kind::PageFooter, -1);
    produce(ReportSection::Kind::ReportFooter, total - 1);
    m_done = true;
    return true;
}
