#include "widgets/UserMemory.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace UserMemory {

namespace {

QSettings store()
{
    return QSettings(QSettings::UserScope, QString::fromLatin1(kOrganization),
                     QString::fromLatin1(kApplication));
}

QString windowKey(const QString& key)
{
    return QStringLiteral("janelas/") + key;
}

const QString kExportFolder = QStringLiteral("exportacao/pasta");

} // namespace

bool restoreWindow(QWidget* window, const QString& key)
{
    const QByteArray geometry = store().value(windowKey(key)).toByteArray();
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void rememberWindow(const QWidget* window, const QString& key)
{
    store().setValue(windowKey(key), window->saveGeometry());
}

QString exportFolder()
{
    const QString folder = store().value(kExportFolder).toString();
    if (!folder.isEmpty() && QDir(folder).exists())
        return folder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void rememberExportFolder(const QString& folder)
{
    store().setValue(kExportFolder, QDir(folder).absolutePath());
}

} // namespace UserMemory
