#pragma once

#include <QDate>
#include <QString>

// The period typed in the report window's two date boxes.
namespace ReportPeriod {

enum class Problem { None, InvalidFirst, InvalidLast, FirstAfterLast };

struct Check
{
    Problem problem = Problem::None;
    QDate first;
    QDate last;
};

// Checks in order: the first day, the last day, then their order (the same
// day twice is a period of one day).
Check check(const QString& firstText, const QString& lastText);

// "01/03/2026 Até 31/03/2026", the title of the report's chart.
QString text(const QDate& first, const QDate& last);

} // namespace ReportPeriod
