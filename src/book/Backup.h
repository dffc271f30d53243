#pragma once

#include "core/Status.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class BookSnapshot;
class DbConnection;

// Backups are copies of the cash book in the folder "Backups" beside it,
// named by the moment they were made. The files of that folder that end in
// ".bkp", in name order, are the backup set: oldest first.
class Backup
{
    Q_DECLARE_TR_FUNCTIONS(Backup)

public:
    struct Outcome
    {
        // The new backup; a failure means no backup was made this time.
        Status copy = Status::success();
        QString file;
        // The deletion of the oldest backup, once the new one was in place.
        Status prune = Status::success();
    };

    static QString folderFor(const QString& bookPath);
    // "yyyy_MM_dd_HH_mm_ss_Backup.bkp", on the 24-hour clock.
    static QString fileName(const QDateTime& moment);
    // The backup set of a folder, oldest first.
    static QStringList set(const QString& folder);
    // A name for a backup made at moment that no file holds yet and that
    // sorts after the set's other backups of the same second.
    static QString newName(const QDateTime& moment, const QString& folder, const QStringList& set);

    // Copies the book into the backup folder and, when the set already held
    // `keep` files or more, then deletes its oldest file. The copy is taken
    // under a read transaction (no write can change the book meanwhile),
    // written under a temporary name, read back and compared with the book
    // byte for byte, and only then renamed into place, so the set never
    // holds a partial or damaged copy and a failed copy deletes nothing.
    // The book itself is only read. A backup named `spare` (the one being
    // restored) is never the one deleted: the oldest other one goes instead.
    static Outcome make(const QString& bookPath, int keep, const QDateTime& moment,
                        const QString& spare = QString());
    // The same for a server book: the backup is a file book in the data
    // folder's "Backups", taken from one moment of the server and checked
    // against it figure by figure.
    static Outcome makeOfServer(const DbConnection& server, const QString& dataDir, int keep,
                                const QDateTime& moment);

private:
    static Outcome makeIn(const QString& folder, int keep, const QDateTime& moment,
                          const std::function<Status(const QString&)>& copy,
                          const QString& spare = QString());
    static Status writeServerCopy(const DbConnection& server, const QString& to);
    static Status makeFolder(const QString& folder);
    static Status copyChecked(const QString& from, const QString& to);
    static Status writeCopy(const BookSnapshot& book, const QString& to);
    static Status check(const BookSnapshot& book, const QString& path);
};
