#pragma once

#include "core/Status.h"

#include <QString>

// Who may read the files the program writes. The book, its backups and a
// kept Access original hold the shop's figures (and, in older files, plain
// passwords), so they are private to the user who runs the program: the
// login only guards the windows, the operating-system account guards the
// files.
//
// A folder the user shared on purpose (writable by its group, say for an
// owner and a cashier on one computer) stays shared: the program's files in
// it take the folder's group, and are never more readable than the folder.
namespace FileAccess {

// Creates the folder and any missing folder above it; each one created here
// is private to the user (0700), or in a shared folder shared as that one is,
// with its group. A folder that exists is left as it is.
Status makeFolder(const QString& path);

// The permissions for a file the program writes into `folder`: 0600, or in a
// group-writable folder also the group's read and write as far as the folder
// grants them. Never anything for others.
unsigned modeFor(const QString& folder);

// Gives a file the program wrote the permissions of modeFor() its folder and,
// in a shared folder, the folder's group.
Status protect(const QString& filePath);

// Copies a file to a new name (never over an existing file), flushed to the
// disk and protected as above.
Status copy(const QString& from, const QString& to);

// Makes a rename into the folder (or a file created there) survive a power
// cut. A file system that cannot flush a folder counts as done.
Status syncFolder(const QString& path);

} // namespace FileAccess
