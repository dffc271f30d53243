#pragma once

#include "core/Status.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The backups a user may restore, with what tells them apart: when each was
// made, its size, how many entries it holds and the day of its last entry.
// Backups are only read here, never changed.
class BackupList
{
    Q_DECLARE_TR_FUNCTIONS(BackupList)

public:
    struct Item
    {
        QString path;
        QDateTime madeAt; // from the file's name; the file's own time otherwise
        qint64 size = 0;
        std::optional<qint64> entries; // nothing when the file could not be read
        QDate lastEntryDay;            // invalid when it holds no entry
        QString problem;               // why the figures are missing
    };

    // The backups of the book's "Backups" folder, newest first.
    static QList<Item> of(const QString& bookPath);
    // The figures of one backup. They come from a read of its tables, without
    // the whole file's check (that waits until one is chosen): listing stays
    // quick however many backups and entries there are.
    static Item figures(const QString& path);

    // The check a chosen backup has before it may become the book: the same
    // as a book at start-up (every page, every index against its table, the
    // tables of a cash book) and a version of the book this program knows.
    // The reason of a failure is for the user.
    static Status check(const QString& path);

    // The moment a backup's name says it was made ("2026_12_05_14_03_09_Backup.bkp",
    // also with "_2"...); an invalid one for any other name.
    static QDateTime momentOf(const QString& fileName);
};
