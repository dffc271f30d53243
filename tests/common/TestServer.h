#pragma once

#include "core/ServerAddress.h"

#include <QString>

// The PostgreSQL server the test command starts (scripts/pg-test-server.sh):
// its URL is in LIVRO_TEST_SERVER when a test program runs on the server
// engine. Each book on it is a database of its own, made for one test case
// and dropped afterwards.
namespace TestServer {

// The URL of the server's maintenance database; empty when the tests run
// on files only.
QString url();
bool inUse();

// A new, empty database on the server; the program fails when the server
// does not take it.
ServerAddress createDatabase();
void dropDatabase(const ServerAddress& address);

} // namespace TestServer
