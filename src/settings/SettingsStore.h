#pragma once

#include "core/Status.h"

#include <QCoreApplication>
#include <QString>

class DbConnection;

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

// Saves the settings row without any widget, so the rules can be tested on
// a real book.
class SettingsStore
{
    Q_DECLARE_TR_FUNCTIONS(SettingsStore)

public:
    // The number of backups to keep as typed: a whole number of 1 or more,
    // otherwise (empty, zero, not a number) "5".
    static QString normalizedBackupCount(const QString& typed);
    // An empty currency box stands for "R$".
    static QString normalizedCurrency(const QString& typed);

    // Writes the single row: updates it, or creates it when the table is
    // empty. An older table without "moeda" or "indioma" gets the missing
    // columns first. On failure nothing is stored and the reason says why.
    static Status save(DbConnection& db, const SettingsChoice& choice);

private:
    static Status addMissingColumns(DbConnection& db, bool& hasRow);
    static Status writeRow(DbConnection& db, const SettingsChoice& choice, bool hasRow);
};
