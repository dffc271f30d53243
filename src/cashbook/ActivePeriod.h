#pragma once

#include <QDate>
#include <QString>

// The rules of the active period: a day and a number of days before it.
namespace ActivePeriod {

enum class Problem { None, InvalidDate, FutureDate };

struct Activation
{
    Problem problem = Problem::None;
    QDate start;
    QDate end;
};

// The day typed must be a real date not later than today; the period starts
// that many days before it (an empty count is 0).
Activation activate(const QString& dayText, const QString& daysText, const QDate& today);

// What the number-of-days box holds after it loses the focus: an empty box,
// a text that is not a number, or a number of 1 or less become "1".
QString normalizedDays(const QString& text);

// "CAIXA ATIVO : <start> até <end>"
QString periodCaption(const QDate& start, const QDate& end);
// "CAIXA ATIVO : <day>", shown before the first activation.
QString dayCaption(const QDate& day);

} // namespace ActivePeriod
