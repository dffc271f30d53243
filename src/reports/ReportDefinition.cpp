#include "reports/ReportDefinition.h"

int ReportSection::indexOf(const QString& controlName) const
{
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (controls.at(i).name == controlName)
            return int(i);
    }
    return -1;
}

int ReportDefinition::sectionOf(ReportSection::Kind kind) const
{
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (sections.at(i).kind == kind)
            return int(i);
    }
    return -1;
}
