#include "legacy/LegacyValues.h"

namespace LegacyValues {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Exactly `count` digits at `pos`, or -1.
int digits(QByteArrayView s, qsizetype pos, qsizetype count)
{
    if (pos < 0 || pos + count > s.size())
        return -1;
    int value = 0;
    for (qsizetype i = pos; i < pos + count; ++i) {
        if (!isDigit(s.at(i)))
            return -1;
        value = value * 10 + (s.at(i) - '0');
    }
    return value;
}

bool appendDigit(qint64& value, char digit)
{
    return !__builtin_mul_overflow(value, qint64(10), &value) &&
           !__builtin_add_overflow(value, qint64(digit - '0'), &value);
}

std::optional<QTime> timeOfDay(QByteArrayView s)
{
    if (s.size() != 8 || s.at(2) != ':' || s.at(5) != ':')
        return std::nullopt;
    const QTime t(digits(s, 0, 2), digits(s, 3, 2), digits(s, 6, 2));
    if (!t.isValid())
        return std::nullopt;
    return t;
}

} // namespace

std::optional<qint64> integer(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    const QByteArrayView s = negative ? text.sliced(1) : text;
    if (s.isEmpty() || s.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (char c : s) {
        if (!isDigit(c) || !appendDigit(value, c))
            return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<Money> money(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    const QByteArrayView s = negative ? text.sliced(1) : text;
    const qsizetype dot = s.indexOf('.');
    const QByteArrayView whole = dot < 0 ? s : s.first(dot);
    const QByteArrayView fraction = dot < 0 ? QByteArrayView() : s.sliced(dot + 1);
    if (whole.isEmpty() || fraction.size() > 4 || (dot >= 0 && fraction.isEmpty()))
        return std::nullopt;
    qint64 units = 0;
    for (char c : whole) {
        if (!isDigit(c) || !appendDigit(units, c))
            return std::nullopt;
    }
    for (qsizetype i = 0; i < 4; ++i) {
        const char c = i < fraction.size() ? fraction.at(i) : '0';
        if (!isDigit(c) || !appendDigit(units, c))
            return std::nullopt;
    }
    return Money::fromUnits(negative ? -units : units);
}

std::optional<Moment> moment(QByteArrayView text)
{
    const qsizetype space = text.indexOf(' ');
    const QByteArrayView day = space < 0 ? text : text.first(space);
    // libmdb writes years before 1000 with fewer digits.
    const qsizetype dash = day.indexOf('-');
    if (dash < 1 || dash > 4 || day.size() != dash + 6 || day.at(dash + 3) != '-')
        return std::nullopt;
    const int year = digits(day, 0, dash);
    const QDate date(year, digits(day, dash + 1, 2), digits(day, dash + 4, 2));
    if (year < 100 || !date.isValid())
        return std::nullopt;
    if (space < 0)
        return Moment{date, QTime(0, 0)};
    const auto time = timeOfDay(text.sliced(space + 1));
    if (!time)
        return std::nullopt;
    return Moment{date, *time};
}

std::optional<bool> yesNo(QByteArrayView text)
{
    const auto value = integer(text);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

} // namespace LegacyValues
