#include "core/DeskSettings.h"

#include <QUrl>

namespace DeskSettings {

QSettings open()
{
    return QSettings(QSettings::UserScope, QString::fromLatin1(kOrganization),
                     QString::fromLatin1(kApplication));
}

QString bookGroup(const QString& location)
{
    // A URL's slashes would otherwise make groups of their own.
    return QStringLiteral("livros/") + QString::fromLatin1(QUrl::toPercentEncoding(location));
}

} // namespace DeskSettings
