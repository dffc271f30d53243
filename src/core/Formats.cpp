#include "core/Formats.h"

namespace Formats {

namespace {

// Reads exactly n ASCII digits at position pos, or -1.
int digitsAt(QStringView s, qsizetype pos, int n)
{
    if (pos + n > s.size())
        return -1;
    int value = 0;
    for (int i = 0; i < n; ++i) {
        const QChar c = s.at(pos + i);
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

QString date(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

std::optional<QDate> parseDate(const QString& text)
{
    const QStringView s = QStringView(text).trimmed();
    if (s.size() != 10 || s.at(2) != u'/' || s.at(5) != u'/')
        return std::nullopt;
    const int day = digitsAt(s, 0, 2);
    const int month = digitsAt(s, 3, 2);
    const int year = digitsAt(s, 6, 4);
    if (day < 0 || month < 0 || year < 1900)
        return std::nullopt;
    const QDate d(year, month, day);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

QString time(const QTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("HH:mm")) : QString();
}

std::optional<QTime> parseTime(const QString& text)
{
    const QStringView s = QStringView(text).trimmed();
    if (s.size() != 5 || s.at(2) != u':')
        return std::nullopt;
    const int hour = digitsAt(s, 0, 2);
    const int minute = digitsAt(s, 3, 2);
    if (hour < 0 || minute < 0 || hour > 23 || minute > 59)
        return std::nullopt;
    return QTime(hour, minute);
}

QString dbDate(const QDate& d)
{
    return d.toString(Qt::ISODate);
}

QString dbTime(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QDate dateFromText(QStringView s)
{
    if (s.size() < 10 || s.at(4) != u'-' || s.at(7) != u'-')
        return {};
    const int year = digitsAt(s, 0, 4);
    const int month = digitsAt(s, 5, 2);
    const int day = digitsAt(s, 8, 2);
    if (year < 0 || month < 0 || day < 0)
        return {};
    return QDate(year, month, day);
}

QDate dateFromDb(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
        return value.toDate();
    return dateFromText(value.toString());
}

QTime timeFromText(QStringView s)
{
    // A full timestamp keeps only its time part.
    if (s.size() >= 16 && s.at(4) == u'-' && (s.at(10) == u' ' || s.at(10) == u'T'))
        s = s.mid(11);
    if (s.size() < 5 || s.at(2) != u':')
        return {};
    const int hour = digitsAt(s, 0, 2);
    const int minute = digitsAt(s, 3, 2);
    int second = 0;
    if (s.size() >= 8 && s.at(5) == u':')
        second = digitsAt(s, 6, 2);
    if (hour < 0 || minute < 0 || second < 0)
        return {};
    return QTime(hour, minute, second);
}

QTime timeFromDb(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QTime || value.typeId() == QMetaType::QDateTime)
        return value.toTime();
    return timeFromText(value.toString());
}

QColor colorFromSetting(const QString& text, const QColor& fallback)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > 0xFFFFFF)
        return fallback;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString colorToSetting(const QColor& color)
{
    const QColor rgb = color.toRgb();
    const qlonglong value =
        qlonglong(rgb.red()) | (qlonglong(rgb.green()) << 8) | (qlonglong(rgb.blue()) << 16);
    return QString::number(value);
}

QString dbMoment(const QDateTime& moment)
{
    return dbDate(moment.date()) + u' ' + dbTime(moment.time());
}

QDateTime momentFromDb(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    const QString text = value.toString();
    const QDate day = dateFromText(text);
    const QTime time = text.size() >= 16 ? timeFromText(text) : QTime();
    if (!day.isValid() || !time.isValid())
        return {};
    return QDateTime(day, time);
}

QString moment(const QDateTime& moment)
{
    return moment.isValid() ? moment.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString();
}

} // namespace Formats
