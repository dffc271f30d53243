#pragma once

#include <QColor>
#include <QString>

// The in-memory copy of the single row of "opcoes". Every window reads the
// settings from here, never from the table. Before the first load every flag
// is false, every text empty and qtdarquivosbkp 0.
struct SettingsValues
{
    bool lembrar = false;
    bool susuario = false;
    QString usuario;
    QString corfundoentrada;
    QString corletraentrada;
    QString corfundosaida;
    QString corletrasaida;
    bool bkpautomatico = false;
    qint16 qtdarquivosbkp = 0;
    QString moeda;
    QString indioma;

    // The colours to paint with; an unreadable text gives the default colour.
    QColor receivedBackground() const;
    QColor receivedText() const;
    QColor paidBackground() const;
    QColor paidText() const;
};

namespace SettingsDefaults {
inline constexpr const char16_t* corfundoentrada = u"16711680"; // blue
inline constexpr const char16_t* corletraentrada = u"16777215"; // white
inline constexpr const char16_t* corfundosaida = u"255";        // red
inline constexpr const char16_t* corletrasaida = u"16777215";   // white
inline constexpr qint16 qtdarquivosbkp = 5;
inline constexpr const char16_t* moeda = u"R$";
inline constexpr const char16_t* indioma = u"Português-Brasil";
} // namespace SettingsDefaults
