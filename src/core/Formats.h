#pragma once

#include <QColor>
#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>

#include <optional>

// Brazilian display formats and the portable storage formats of the book.
// Nothing here depends on the machine's locale.
namespace Formats {

// "dd/MM/yyyy", as the date boxes show and take a date.
QString date(const QDate& d);
// A date typed in a "##/##/####" box. Anything that is not a real calendar
// day between 1900 and 9999 (prompt characters, 31/02, empty) gives nothing.
std::optional<QDate> parseDate(const QString& text);

// "HH:mm"
QString time(const QTime& t);
// A time typed in a "##:##" box: a real time of day, both digits of each part.
std::optional<QTime> parseTime(const QString& text);

// Storage: dates as ISO text "yyyy-MM-dd", times as "HH:mm:ss".
QString dbDate(const QDate& d);
QString dbTime(const QTime& t);
// Readers accept what older or hand-made books hold: "yyyy-MM-dd", with or
// without a time part, and "HH:mm" or "HH:mm:ss". Null or unreadable gives
// an invalid QDate/QTime.
QDate dateFromDb(const QVariant& value);
QTime timeFromDb(const QVariant& value);
QDate dateFromText(QStringView text);
QTime timeFromText(QStringView text);

// A moment: stored "yyyy-MM-dd HH:mm:ss" (in the order of time, as text),
// shown "dd/MM/yyyy HH:mm:ss". Unreadable gives an invalid QDateTime.
QString dbMoment(const QDateTime& moment);
QDateTime momentFromDb(const QVariant& value);
QString moment(const QDateTime& moment);

// Colours are 24-bit numbers with red in the low byte, stored as their
// decimal text. A text that is not such a number gives the fallback.
QColor colorFromSetting(const QString& text, const QColor& fallback);
QString colorToSetting(const QColor& color);

} // namespace Formats
