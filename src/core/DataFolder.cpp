#include "core/DataFolder.h"

#include <QDir>
#include <QFileInfo>

namespace DataFolder {

QString bookPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("bd.mdb"));
}

QString resolve(const QString& commandLineDir, const QString& programDir,
                const QString& userDataDir)
{
    if (!commandLineDir.isEmpty())
        return QDir(commandLineDir).absolutePath();
    if (!programDir.isEmpty() && QFileInfo::exists(bookPath(programDir)))
        return QDir(programDir).absolutePath();
    return QDir(userDataDir).absolutePath();
}

} // namespace DataFolder
