#pragma once

#include <QString>
#include <QVariant>

// Null-safe readers of a field value.

// Null gives ""; anything else its text without surrounding blanks.
QString FieldText(const QVariant& value);

// Null, or a text that is empty after trimming, gives the number 0; anything
// else its trimmed text, which the caller converts to a number.
QVariant FieldNumber(const QVariant& value);
