#include "core/UserGuide.h"

#include <QDir>
#include <QFileInfo>

namespace UserGuide {

QStringList candidates(const QString& programDir)
{
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.filePath(QStringLiteral("guia/index.html"))),
            QDir::cleanPath(dir.filePath(QStringLiteral("../share/livro-caixa/guia/index.html")))};
}

QString find(const QString& programDir)
{
    for (const QString& path : candidates(programDir)) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

} // namespace UserGuide
