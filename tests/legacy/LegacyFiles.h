#pragma once

#include "TestBook.h"

#include <QFile>
#include <QString>

// The older program's Access books kept with the tests, by file name.
inline QString legacyBook(const QString& name)
{
    return QStringLiteral(LIVRO_LEGACY_DATA "/") + name;
}

// A stand-in for the reader: a shell script in `folder`.
inline QString readerScript(const QString& folder, const QByteArray& body)
{
    const QString path = folder + QStringLiteral("/leitor.sh");
    writeFile(path, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}
