#pragma once

#include "core/Status.h"

#include <QString>

// What a cash book file is on disk, told from its first bytes, before any
// database library touches it.
namespace BookFile {

enum class Kind { Missing, Empty, SQLite, Access, Unknown };

Kind kind(const QString& filePath);

// Checks that the file is a complete SQLite file: the header, the page size
// and that the file holds every page the header counts. The reason of a
// failure is meant for the user.
Status check(const QString& filePath);

} // namespace BookFile
