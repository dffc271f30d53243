#pragma once

#include <QString>

// The data folder holds the book, "bd.mdb", and the folder "Backups".
namespace DataFolder {

// The book's file in a data folder.
QString bookPath(const QString& dataDir);

// The data folder: the one given on the command line; else the program's own
// folder when it already holds a book (a portable installation); else the
// per-user application data folder.
QString resolve(const QString& commandLineDir, const QString& programDir,
                const QString& userDataDir);

} // namespace DataFolder
