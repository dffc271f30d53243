#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>

#include <compare>
#include <limits>
#include <optional>

// An amount of money as a whole count of ten-thousandths of the currency unit,
// the same precision a Currency column had in the older files. Sums are exact;
// arithmetic that would not fit in 64 bits is refused instead of wrapping.
class Money
{
public:
    static constexpr qint64 kUnitsPerReal = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }
    // Whole cents, as typed amounts and stored figures usually are.
    static std::optional<Money> fromCents(qint64 cents);

    constexpr qint64 units() const { return m_units; }
    constexpr bool isZero() const { return m_units == 0; }
    constexpr bool isNegative() const { return m_units < 0; }
    constexpr bool isPositive() const { return m_units > 0; }

    std::optional<Money> plus(Money other) const;
    std::optional<Money> minus(Money other) const;

    friend constexpr auto operator<=>(Money, Money) = default;

    // A typed amount: comma as decimal separator, dots grouping thousands
    // ("1.234,56", "-5", "12,5"). More than four decimals are rounded half away
    // from zero to the money precision. Anything else, or an amount that does
    // not fit, gives nothing.
    static std::optional<Money> parse(QStringView text);
    // Whether the text is written as an amount, whatever its size: an amount
    // text that parse() refuses is too large to keep.
    static bool isAmountText(QStringView text);
    static constexpr Money largest() { return Money(std::numeric_limits<qint64>::max()); }

    // "#,##0.00": 1.234,56 and -30,00, rounded half away from zero to cents.
    QString format() const;

    // Database values: INTEGER ten-thousandths. A null value gives nothing.
    // Values written by other tools as REAL or text are read as amounts too.
    static std::optional<Money> fromDb(const QVariant& value);
    // A sum(...) read back: nothing summed is zero; a sum the integers cannot
    // hold (a server returns it as a longer number) is nothing, never a
    // rounded or wrapped amount.
    static std::optional<Money> sumFromDb(const QVariant& value);
    QVariant toDb() const { return QVariant(m_units); }

private:
    constexpr explicit Money(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};

// Formats an amount that may be absent (a null column); absent gives "".
QString formatMoney(const std::optional<Money>& value);
