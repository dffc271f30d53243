#include "book/BackupList.h"

#include "book/Backup.h"
#include "core/BookFile.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/SchemaVersion.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QDateTime BackupList::momentOf(const QString& fileName)
{
    if (fileName.size() < 19)
        return QDateTime();
    return QDateTime::fromString(fileName.left(19), QStringLiteral("yyyy_MM_dd_HH_mm_ss"));
}

QList<BackupList::Item> BackupList::of(const QString& bookPath)
{
    const QString folder = Backup::folderFor(bookPath);
    QList<Item> items;
    for (const QString& name : Backup::set(folder))
        items.append(figures(QDir(folder).filePath(name)));
    // Newest first; the name breaks ties (a second backup of one second).
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        if (a.madeAt != b.madeAt)
            return a.madeAt > b.madeAt;
        return QFileInfo(a.path).fileName() > QFileInfo(b.path).fileName();
    });
    return items;
}

BackupList::Item BackupList::figures(const QString& path)
{
    const QFileInfo info(path);
    Item item;
    item.path = path;
    item.size = info.size();
    item.madeAt = momentOf(info.fileName());
    if (!item.madeAt.isValid())
        item.madeAt = info.lastModified();
    if (Status file = BookFile::check(path); !file) {
        item.problem = file.reason();
        return item;
    }
    DbConnection db;
    // A read-only connection: nothing is written to a backup, not even a journal.
    if (Status opened = db.openForReading(path); !opened) {
        item.problem = opened.reason();
        return item;
    }
    auto counted = Sql::run(db.database(), QStringLiteral("select count(*), max(data) "
                                                          "from caixa"));
    if (!counted) {
        item.problem = counted.reason();
        return item;
    }
    if (counted->next()) {
        item.entries = counted->value(0).toLongLong();
        item.lastEntryDay = Formats::dateFromDb(counted->value(1));
    }
    return item;
}

Status BackupList::check(const QString& path)
{
    DbConnection db;
    if (Status opened = db.openReadOnly(path); !opened)
        return opened;
    const auto version = SchemaVersion::of(db.database());
    if (!version)
        return version.status();
    if (*version > SchemaVersion::current())
        return Status::failure(tr("O backup %1 foi gravado por uma versão mais nova do programa "
                                  "(versão %2 do livro; este programa conhece até a versão %3).")
                                   .arg(QDir::toNativeSeparators(path))
                                   .arg(*version)
                                   .arg(SchemaVersion::current()));
    return Status::success();
}
