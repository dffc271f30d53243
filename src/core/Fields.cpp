#include "core/Fields.h"

QString FieldText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    return value.toString().trimmed();
}

QVariant FieldNumber(const QVariant& value)
{
    const QString text = FieldText(value);
    if (text.isEmpty())
        return QVariant(0);
    return QVariant(text);
}
