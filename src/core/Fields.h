#pragma once

#include <QString>
#include <QVariant>

// Null-safe reader of a field value.

// Null gives ""; anything else its text without surrounding blanks.
QString FieldText(const QVariant& value);
