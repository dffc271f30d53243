#include "TestServer.h"

#include "core/Sql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>

namespace TestServer {

namespace {

QAtomicInt databaseCounter;

// Runs one statement on the maintenance database, on a connection of its own.
void administer(const QString& sql)
{
    const auto address = ServerAddress::parse(url());
    if (!address)
        qFatal("LIVRO_TEST_SERVER is no server address: %s", qPrintable(address.reason()));
    const QString name = QStringLiteral("test-server-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        address->applyTo(db);
        if (!db.open())
            qFatal("the test server did not answer: %s", qPrintable(Sql::reasonOf(db)));
        const Status done = Sql::exec(db, sql);
        db.close();
        if (!done)
            qFatal("the test server refused %s: %s", qPrintable(sql), qPrintable(done.reason()));
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString url()
{
    return qEnvironmentVariable("LIVRO_TEST_SERVER");
}

bool inUse()
{
    return !url().isEmpty();
}

ServerAddress createDatabase()
{
    auto address = ServerAddress::parse(url());
    if (!address)
        qFatal("LIVRO_TEST_SERVER is no server address: %s", qPrintable(address.reason()));
    // Test programs run side by side: the process id keeps their names apart.
    address->database = QStringLiteral("livro_t%1_%2")
                            .arg(QCoreApplication::applicationPid())
                            .arg(databaseCounter.fetchAndAddRelaxed(1));
    administer(QStringLiteral("create database ") + address->database);
    return *address;
}

void dropDatabase(const ServerAddress& address)
{
    administer(QStringLiteral("drop database if exists %1 with (force)").arg(address.database));
}

} // namespace TestServer
