#include "cashbook/ActivePeriod.h"

#include "core/Formats.h"

#include <QCoreApplication>

namespace ActivePeriod {

Activation activate(const QString& dayText, const QString& daysText, const QDate& today)
{
    const auto day = Formats::parseDate(dayText);
    if (!day)
        return {Problem::InvalidDate, {}, {}};
    if (*day > today)
        return {Problem::FutureDate, {}, {}};
    bool ok = false;
    const int days = daysText.trimmed().toInt(&ok);
    return {Problem::None, day->addDays(ok ? -days : 0), *day};
}

QString normalizedDays(const QString& text)
{
    bool ok = false;
    const int days = text.trimmed().toInt(&ok);
    if (!ok || days <= 1)
        return QStringLiteral("1");
    return text;
}

QString dayCaption(const QDate& day)
{
    return QCoreApplication::translate("frmPrincipal", "CAIXA ATIVO : ") + Formats::date(day);
}

QString periodCaption(const QDate& start, const QDate& end)
{
    return dayCaption(start) + QCoreApplication::translate("frmPrincipal", " até ") +
           Formats::date(end);
}

} // namespace ActivePeriod
