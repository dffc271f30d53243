#pragma once

#include "core/Status.h"

#include <QString>

class DbConnection;
struct Session;

// The program's start-up routine, without the windows: main() shows the
// window it names.
namespace Startup {

enum class FirstWindow { Login, Main };

// Opens the book in the data folder (a failure shows the connection message
// and start-up goes on), sets the common level, loads the settings and tells
// which window comes first. The older program's Access book is first
// converted into a book of this program.
FirstWindow Main(Session& session);

// Switches login off in an open book: the way back in for whoever holds the
// data folder and lost the administrator's password.
Status disableLogin(DbConnection& db);

// The text of the message shown when the book cannot be opened.
QString connectionFailureText(const QString& reason);

// The book's file in a data folder.
QString bookPath(const QString& dataDir);

// The data folder: the one given on the command line; else the program's own
// folder when it already holds a book (a portable installation); else the
// per-user application data folder.
QString resolveDataDir(const QString& commandLineDir, const QString& programDir, const QString& userDataDir);

} // namespace Startup
