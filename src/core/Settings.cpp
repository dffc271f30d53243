#include "core/Settings.h"

#include "core/Formats.h"

QColor SettingsValues::receivedBackground() const
{
    return Formats::colorFromSetting(corfundoentrada, QColor(0, 0, 255));
}

QColor SettingsValues::receivedText() const
{
    return Formats::colorFromSetting(corletraentrada, QColor(255, 255, 255));
}

QColor SettingsValues::paidBackground() const
{
    return Formats::colorFromSetting(corfundosaida, QColor(255, 0, 0));
}

QColor SettingsValues::paidText() const
{
    return Formats::colorFromSetting(corletrasaida, QColor(255, 255, 255));
}
