#include "core/Money.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<Money> Money::fromCents(qint64 cents)
{
    qint64 units = 0;
    if (__builtin_mul_overflow(cents, qint64(100), &units))
        return std::nullopt;
    return Money(units);
}

std::optional<Money> Money::plus(Money other) const
{
    qint64 result = 0;
    if (__builtin_add_overflow(m_units, other.m_units, &result))
        return std::nullopt;
    return Money(result);
}

std::optional<Money> Money::minus(Money other) const
{
    qint64 result = 0;
    if (__builtin_sub_overflow(m_units, other.m_units, &result))
        return std::nullopt;
    return Money(result);
}

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Integer part with optional thousands dots: either plain digits, or groups
// of exactly three digits after each dot ("1.234.567").
bool integerPartIsWellFormed(QStringView part)
{
    if (part.isEmpty())
        return true;
    if (!part.contains(u'.'))
        return std::all_of(part.begin(), part.end(), isDigit);
    const auto groups = part.split(u'.');
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView g = groups.at(i);
        if (g.isEmpty() || !std::all_of(g.begin(), g.end(), isDigit))
            return false;
        if (i == 0 ? g.size() > 3 : g.size() != 3)
            return false;
    }
    return true;
}

// Accumulates decimal digits into units, refusing overflow.
bool appendDigit(qint64& value, QChar digit)
{
    return !__builtin_mul_overflow(value, qint64(10), &value) &&
           !__builtin_add_overflow(value, qint64(digit.unicode() - u'0'), &value);
}

// A typed amount taken apart: sign, whole part and decimals, when it is
// written as an amount at all.
struct AmountText
{
    bool negative = false;
    QStringView intPart;
    QStringView fracPart;
};

std::optional<AmountText> splitAmount(QStringView text)
{
    QStringView s = text.trimmed();
    AmountText parts;
    if (!s.isEmpty() && (s.front() == u'-' || s.front() == u'+')) {
        parts.negative = s.front() == u'-';
        s = s.mid(1);
    }
    const qsizetype comma = s.indexOf(u',');
    parts.intPart = comma < 0 ? s : s.left(comma);
    parts.fracPart = comma < 0 ? QStringView() : s.mid(comma + 1);
    if (!integerPartIsWellFormed(parts.intPart) ||
        !std::all_of(parts.fracPart.begin(), parts.fracPart.end(), isDigit))
        return std::nullopt;
    if (parts.intPart.isEmpty() && parts.fracPart.isEmpty())
        return std::nullopt;
    return parts;
}

} // namespace

bool Money::isAmountText(QStringView text)
{
    return splitAmount(text).has_value();
}

std::optional<Money> Money::parse(QStringView text)
{
    const auto parts = splitAmount(text);
    if (!parts)
        return std::nullopt;
    const bool negative = parts->negative;
    const QStringView intPart = parts->intPart;
    const QStringView fracPart = parts->fracPart;

    qint64 units = 0;
    for (QChar c : intPart) {
        if (c != u'.' && !appendDigit(units, c))
            return std::nullopt;
    }
    for (int i = 0; i < 4; ++i) {
        if (!appendDigit(units, i < fracPart.size() ? fracPart.at(i) : QChar(u'0')))
            return std::nullopt;
    }
    if (fracPart.size() > 4 && fracPart.at(4) >= u'5') {
        if (__builtin_add_overflow(units, qint64(1), &units))
            return std::nullopt;
    }
    return Money(negative ? -units : units);
}

QString Money::format() const
{
    // Work on the magnitude as unsigned so that the most negative value formats too.
    const bool negative = m_units < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    quint64 cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    const bool shownNegative = negative && cents != 0;
    // Written from the right into a buffer, one string made at the end: a
    // report formats a million of these.
    char16_t buffer[40];
    char16_t* p = std::end(buffer);
    *--p = char16_t(u'0' + cents % 10);
    cents /= 10;
    *--p = char16_t(u'0' + cents % 10);
    cents /= 10;
    *--p = u',';
    int group = 0;
    do {
        if (group == 3) {
            *--p = u'.';
            group = 0;
        }
        *--p = char16_t(u'0' + cents % 10);
        cents /= 10;
        ++group;
    } while (cents != 0);
    if (shownNegative)
        *--p = u'-';
    return QString(reinterpret_cast<const QChar*>(p), std::end(buffer) - p);
}

std::optional<Money> Money::fromDb(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return Money(value.toLongLong());
    case QMetaType::Double: {
        const double scaled = std::round(value.toDouble() * kUnitsPerReal);
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
            return std::nullopt;
        return Money(static_cast<qint64>(scaled));
    }
    default: {
        bool ok = false;
        const qint64 units = value.toString().trimmed().toLongLong(&ok);
        if (ok)
            return Money(units);
        return std::nullopt;
    }
    }
}

std::optional<Money> Money::sumFromDb(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return Money();
    return fromDb(value);
}

QString formatMoney(const std::optional<Money>& value)
{
    return value ? value->format() : QString();
}
