#pragma once

#include "core/Settings.h"
#include "core/Status.h"

#include <QCoreApplication>
#include <QString>

class DbConnection;

// Fills settings from the first row of "opcoes". A null column keeps the value
// the field had; without a row every field gets its default. A table that
// cannot be read changes nothing.
void LoadSettings(DbConnection& db, SettingsValues& settings);

// What the settings window writes into the row of "opcoes". The login
// window's columns (lembrar, usuario) are not part of it and stay as stored.
struct SettingsChoice
{
    bool susuario = false;
    QString corfundoentrada;
    QString corletraentrada;
    QString corfundosaida;
    QString corletrasaida;
    QString moeda;
    QString indioma;
    qint16 qtdarquivosbkp = 5;
    bool bkpautomatico = false;
};

// The one place that reads and writes the single row of "opcoes". On a
// server book the remembered user and the colours are also kept per desk
// (DeskSettings), and what the desk kept wins over the row.
class SettingsStore
{
    Q_DECLARE_TR_FUNCTIONS(SettingsStore)

public:
    // The number of backups to keep as typed: a whole number of 1 or more,
    // otherwise (empty, zero, not a number) "5".
    static QString normalizedBackupCount(const QString& typed);
    // An empty currency box stands for "R$".
    static QString normalizedCurrency(const QString& typed);

    // Writes the settings window's columns: updates the row, or creates it
    // when the table is empty. An older table without "moeda" or "indioma"
    // gets the missing columns first. On failure nothing is stored and the
    // reason says why.
    static Status save(DbConnection& db, const SettingsChoice& choice);

    // The login window's remember-me choice and the user who logged in (the
    // name is written whatever the choice; only the flag decides whether the
    // next start shows it).
    static Status rememberUser(DbConnection& db, bool remember, const QString& userName);

    // Switches login off: the way back in for whoever holds the data folder
    // and lost the administrator's password.
    static Status disableLogin(DbConnection& db);

private:
    static Status addMissingColumns(DbConnection& db, bool& hasRow);
    static Status writeRow(DbConnection& db, const SettingsChoice& choice, bool hasRow);
};
