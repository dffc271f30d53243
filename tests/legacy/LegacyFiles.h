#pragma once

#include <QFile>
#include <QString>

// The older program's Access books kept with the tests, by file name.
inline QString legacyBook(const QString& name)
{
    return QStringLiteral(LIVRO_LEGACY_DATA "/") + name;
}

// Writes a whole file; a test that cannot set up its files stops here.
inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
}

// A stand-in for the reader: a shell script in `folder`.
inline QString readerScript(const QString& folder, const QByteArray& body)
{
    const QString path = folder + QStringLiteral("/leitor.sh");
    writeFile(path, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}
