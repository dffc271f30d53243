#pragma once

#include "core/ServerAddress.h"

#include <QString>
#include <QStringList>

// The PostgreSQL server of the benchmarks that measure a server book: the
// tests' own script starts and stops it, and statements run on its
// maintenance database.
namespace Bench {

// Runs scripts/pg-test-server.sh with the arguments; its output (the URL,
// for "start"). Ends the program when the script fails.
QString serverScript(const QStringList& arguments);

// Runs one statement on the server's maintenance database (creating or
// dropping a book's database); ends the program when it is refused.
void administer(ServerAddress server, const QString& sql);

} // namespace Bench
