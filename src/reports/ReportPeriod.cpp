#include "reports/ReportPeriod.h"

#include "core/Formats.h"

#include <QCoreApplication>

namespace ReportPeriod {

Check check(const QString& firstText, const QString& lastText)
{
    const auto first = Formats::parseDate(firstText);
    if (!first)
        return {Problem::InvalidFirst, {}, {}};
    const auto last = Formats::parseDate(lastText);
    if (!last)
        return {Problem::InvalidLast, *first, {}};
    if (*last < *first)
        return {Problem::FirstAfterLast, *first, *last};
    return {Problem::None, *first, *last};
}

QString text(const QDate& first, const QDate& last)
{
    return QCoreApplication::translate("ReportPeriod", "%1 Até %2")
        .arg(Formats::date(first), Formats::date(last));
}

} // namespace ReportPeriod
