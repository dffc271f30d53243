#include "core/Fields.h"

QString FieldText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    return value.toString().trimmed();
}
