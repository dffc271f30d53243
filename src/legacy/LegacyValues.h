#pragma once

#include "core/Money.h"

#include <QByteArrayView>
#include <QDate>
#include <QTime>

#include <optional>

// The Access reader's text of a value, converted exactly. Anything that is not
// such a value gives nothing, which the migration reports as damage.
namespace LegacyValues {

// Long, Integer and Byte: plain digits with an optional minus sign.
std::optional<qint64> integer(QByteArrayView text);

// Currency as libmdb writes it ("1500.0000", "-150.0000", "0.1000"): read
// digit by digit into ten-thousandths, never through a floating-point number.
std::optional<Money> money(QByteArrayView text);

// Date/Time as "yyyy-MM-dd HH:mm:ss" (or the date alone), within the years
// Access itself accepts (100 to 9999). A time of day comes as 30/12/1899 plus
// that time.
struct Moment
{
    QDate date;
    QTime time;
};
std::optional<Moment> moment(QByteArrayView text);

// Yes/No as "1"/"0"; a number column used as Yes/No is true when not zero.
std::optional<bool> yesNo(QByteArrayView text);

} // namespace LegacyValues
