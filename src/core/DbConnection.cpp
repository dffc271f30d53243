#include "core/DbConnection.h"

#include "core/BookFile.h"
#include "core/BookHealth.h"
#include "core/Clock.h"
#include "core/DayTotals.h"
#include "core/FileAccess.h"
#include "core/Schema.h"
#include "core/SchemaVersion.h"
#include "core/Sql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <libpq-fe.h>

namespace {
QAtomicInt connectionCounter;

QString tr(const char* text)
{
    return QCoreApplication::translate("DbConnection", text);
}
// The tables of a new book, in a file of their own, on a connection of their own.
Status createTablesOn(QSqlDatabase db, const QString& filePath)
{
    db.setDatabaseName(filePath);
    const Status status = db.open() ? Schema::create(db) : Status::failure(Sql::reasonOf(db));
    db.close();
    return status;
}

Status createTables(const QString& filePath, const QString& connectionName)
{
    const Status status = createTablesOn(
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName), filePath);
    // The connection is gone from Qt's list only once no handle to it is left.
    QSqlDatabase::removeDatabase(connectionName);
    return status;
}

const QString kFileDriver = QStringLiteral("QSQLITE");
const QString kServerDriver = QStringLiteral("QPSQL");

// The passwords typed for servers in this run, so that the connections of
// the reports and the search reach the same server; kept in memory only.
QMutex passwordsMutex;
QHash<QString, QString>& typedPasswords()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

void rememberPassword(const ServerAddress& address)
{
    if (address.password.isEmpty())
        return;
    const QMutexLocker locker(&passwordsMutex);
    typedPasswords().insert(address.display(), address.password);
}

QString rememberedPassword(const QString& display)
{
    const QMutexLocker locker(&passwordsMutex);
    return typedPasswords().value(display);
}

// libpq knows, without asking the server, when the connection is gone.
bool connectionBroken(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return false;
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "PGconn*") != 0)
        return false;
    PGconn* connection = *static_cast<PGconn* const*>(handle.data());
    return connection && PQstatus(connection) == CONNECTION_BAD;
}

} // namespace

DbConnection::DbConnection()
    : m_name(QStringLiteral("DbConnection-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
    useDriver(kFileDriver);
}

void DbConnection::useDriver(const QString& driver)
{
    if (m_driver == driver)
        return;
    if (!m_driver.isEmpty())
        QSqlDatabase::removeDatabase(m_name);
    QSqlDatabase::addDatabase(driver, m_name);
    m_driver = driver;
}

QString DbConnection::location() const
{
    return m_server ? m_server->display() : m_filePath;
}

DbConnection::~DbConnection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DbConnection::database() const
{
    if (m_server)
        reconnectIfLost();
    return QSqlDatabase::database(m_name, false);
}

Result<QDateTime> DbConnection::now() const
{
    // The desks of a server book date what they record by one clock, the
    // server's, so the change log and the closings keep their order whatever
    // a desk's own clock says.
    if (isServer())
        return serverNow();
    return m_writer.clock().now();
}

// Tried at most every few seconds while the server stays away, so a window
// that reads several things in one action waits for one attempt only.
void DbConnection::reconnectIfLost() const
{
    if (!m_serverInUse)
        return;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isOpen() && !connectionBroken(db))
        return;
    const qint64 now = QDeadlineTimer::current().deadline();
    if (m_lastReconnect != 0 && now - m_lastReconnect < 3000)
        return;
    m_lastReconnect = now;
    db.close();
    // A connection that comes back is the same book, already checked.
    if (db.open())
        static_cast<void>(applySessionSettings(db));
}

// What every connection to a server book sets for its session; made again
// after a reconnection.
Status DbConnection::applySessionSettings(const QSqlDatabase& db) const
{
    // Sums of money come back as exact text, never as a rounded double.
    QSqlDatabase settable = db;
    settable.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (Status quiet = Sql::exec(db, QStringLiteral("set client_min_messages = warning")); !quiet)
        return quiet;
    // The window's statements are short, and a server that stops answering
    // is told within seconds; readers work in the background on whole
    // periods (reports, backups) and may take longer.
    if (Status timeout =
            Sql::exec(db, m_readOnly ? QStringLiteral("set statement_timeout = 600000")
                                     : QStringLiteral("set statement_timeout = 10000"));
        !timeout)
        return timeout;
    if (!m_readOnly)
        return Status::success();
    // What a reader reads in one transaction is one moment of the book.
    return Sql::exec(db, QStringLiteral("set session characteristics as transaction isolation "
                                        "level repeatable read, read only"));
}

bool DbConnection::isOpen() const
{
    return database().isOpen();
}

void DbConnection::close()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    m_lastReconnect = 0;
    m_serverInUse = false;
    if (!db.isOpen())
        return;
    db.close();
    if (m_server)
        return;
    // A record that cannot be written only costs a full check at the next open.
    if (!m_readOnly)
        static_cast<void>(BookHealth::recordCleanClose(m_filePath));
}

Status DbConnection::open(const QString& filePath)
{
    return openFile(filePath, false);
}

Status DbConnection::openReadOnly(const QString& filePath)
{
    return openFile(filePath, true);
}

Status DbConnection::openFile(const QString& filePath, bool readOnly)
{
    close();
    m_server.reset();
    useDriver(kFileDriver);
    m_filePath = filePath;
    m_readOnly = readOnly;
    m_indexesDamaged = false;
    QSqlDatabase db = database();
    if (!db.isValid())
        return Status::failure(
            tr("O suporte ao SQLite do Qt não está instalado (driver QSQLITE)."));

    if (!readOnly && !QFileInfo::exists(filePath)) {
        if (Status created = createNewBook(filePath); !created)
            return created;
    }
    if (Status file = BookFile::check(filePath); !file)
        return file;

    db.setDatabaseName(filePath);
    db.setConnectOptions(readOnly
                             ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000;QSQLITE_OPEN_READONLY")
                             : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString reason = db.lastError().text();
        db.close();
        return Status::failure(
            tr("Não foi possível abrir %1: %2").arg(QDir::toNativeSeparators(filePath), reason));
    }
    Status ready = checkContents();
    if (ready && !readOnly)
        ready = prepareForUse();
    if (ready && !readOnly)
        ready = bringUpToDate();
    // Closed directly: a book that was not taken into use is not recorded
    // as closed cleanly.
    if (!ready)
        db.close();
    return ready;
}

// An older book is upgraded (after a copy of it is kept); a newer one is
// refused. The day totals are then known to be those of the entries.
Status DbConnection::bringUpToDate()
{
    const QSqlDatabase db = database();
    if (Status upgraded =
            SchemaVersion::upgrade(db, m_filePath.isEmpty() ? location() : m_filePath);
        !upgraded)
        return upgraded;
    if (Status kept = DayTotals::ensureKept(db); !kept)
        return Status::failure(
            tr("Os totais por dia do livro de caixa %1 não puderam ser refeitos: %2")
                .arg(m_server ? location() : QDir::toNativeSeparators(m_filePath), kept.reason()));
    return Status::success();
}

Status DbConnection::openSameBookAs(const DbConnection& other)
{
    return openForReading(other.location());
}

Status DbConnection::openForReading(const QString& filePath)
{
    close();
    m_server.reset();
    if (ServerAddress::looksLikeUrl(filePath)) {
        const auto address = ServerAddress::parse(filePath);
        if (!address)
            return address.status();
        m_server = *address;
        if (m_server->password.isEmpty())
            m_server->password = rememberedPassword(m_server->display());
        m_filePath.clear();
        m_readOnly = true;
        useDriver(kServerDriver);
        if (Status connected = connectToServer(); !connected)
            return connected;
        Status ready = applySessionSettings(database());
        m_serverInUse = ready.ok();
        return ready;
    }
    useDriver(kFileDriver);
    m_filePath = filePath;
    // Only the connection that writes records a clean close.
    m_readOnly = true;
    QSqlDatabase db = database();
    db.setDatabaseName(filePath);
    // A reader waits for a writer's commit rather than fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!QFileInfo::exists(filePath) || !db.open()) {
        const QString reason =
            QFileInfo::exists(filePath) ? db.lastError().text() : tr("o arquivo não existe");
        db.close();
        return Status::failure(
            tr("Não foi possível abrir %1: %2").arg(QDir::toNativeSeparators(filePath), reason));
    }
    return Status::success();
}

// A new book is built under a temporary name and renamed into place, so an
// interrupted creation never leaves a half-made bd.mdb behind.
Status DbConnection::createNewBook(const QString& filePath)
{
    const QFileInfo info(filePath);
    if (Status folder = FileAccess::makeFolder(info.absolutePath()); !folder)
        return Status::failure(
            tr("Não foi possível criar a pasta %1: %2")
                .arg(QDir::toNativeSeparators(info.absolutePath()), folder.reason()));
    const QString temp = filePath + QStringLiteral(".novo");
    QFile::remove(temp);
    Status status = createTables(temp, m_name + QStringLiteral("-new"));
    if (status)
        status = FileAccess::protect(temp);
    if (status && !QFile::rename(temp, filePath))
        status = Status::failure(tr("não foi possível gravar o arquivo"));
    if (status)
        status = FileAccess::syncFolder(info.absolutePath());
    if (!status) {
        QFile::remove(temp);
        return Status::failure(tr("Não foi possível criar o livro de caixa %1: %2")
                                   .arg(QDir::toNativeSeparators(filePath), status.reason()));
    }
    return Status::success();
}

// Opening is not proof: the driver "opens" any file. Read the structure and
// let SQLite verify its pages before a single write happens.
Status DbConnection::checkContents()
{
    const QSqlDatabase db = database();
    const QString where = m_server ? m_server->display() : QDir::toNativeSeparators(m_filePath);
    if (Status pages = m_server ? Status::success() : checkPages(); !pages)
        return pages;

    for (const QString& table : Schema::tableNames()) {
        const QSqlRecord record = db.record(table);
        if (record.isEmpty())
            return Status::failure(
                tr("O arquivo %1 não é um livro de caixa: falta a tabela %2.").arg(where, table));
        for (const QString& column : Schema::originalColumns(table)) {
            if (record.indexOf(column) < 0)
                return Status::failure(
                    tr("O arquivo %1 não é um livro de caixa: falta a coluna %2.%3.")
                        .arg(where, table, column));
        }
    }
    return Status::success();
}

// Every page is checked; the indexes against their tables only when the
// file changed since this program last closed it cleanly (or it is opened
// only to be read, a backup say, which has no such record).
Status DbConnection::checkPages()
{
    const QString where = QDir::toNativeSeparators(m_filePath);
    const bool full = m_readOnly || !BookHealth::unchangedSinceCleanClose(m_filePath);
    const auto verdict = BookHealth::check(database(), full);
    if (!verdict)
        return Status::failure(tr("O arquivo %1 não pôde ser lido como banco de dados: %2")
                                   .arg(where, verdict.reason()));
    if (verdict->sound())
        return Status::success();
    m_indexesDamaged = verdict->indexesOnly;
    if (m_indexesDamaged)
        return Status::failure(tr("O livro de caixa %1 tem índices danificados: eles não "
                                  "conferem com os lançamentos (%2).")
                                   .arg(where, verdict->problems.constFirst()));
    return Status::failure(
        tr("O arquivo %1 está danificado (%2).").arg(where, verdict->problems.constFirst()));
}

// The rollback journal works on network folders too, and a full sync makes a
// committed entry survive a crash or a power cut. A book another tool left
// in WAL mode is switched back; one that cannot be (that tool still has it
// open) is not used, since two programs would then write it at once.
Status DbConnection::prepareForUse()
{
    const QSqlDatabase db = database();
    const QString where = QDir::toNativeSeparators(m_filePath);
    const auto mode = Sql::scalar(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
    if (!mode || mode->toString().compare(u"delete", Qt::CaseInsensitive) != 0) {
        const auto current = Sql::scalar(db, QStringLiteral("PRAGMA journal_mode"));
        return Status::failure(
            tr("O livro de caixa %1 foi deixado no modo de gravação \"%2\" por outro programa e "
               "não pôde voltar ao modo deste programa (o outro programa ainda está com ele "
               "aberto?). Feche os outros programas que usam o livro e tente de novo.")
                .arg(where, current ? current->toString() : current.reason()));
    }
    if (Status synced = Sql::exec(db, QStringLiteral("PRAGMA synchronous=FULL")); !synced)
        return Status::failure(
            tr("O livro de caixa %1 não aceitou a gravação segura (synchronous=FULL): %2")
                .arg(where, synced.reason()));
    // A read-only book simply keeps the indexes it has; every write to it
    // fails and says so anyway.
    static_cast<void>(Schema::ensureIndexes(db));
    return Status::success();
}

Status DbConnection::openServer(const ServerAddress& address, ServerUse use)
{
    close();
    m_filePath.clear();
    m_readOnly = use == ServerUse::Reader;
    m_indexesDamaged = false;
    m_passwordRefused = false;
    m_createdBook = false;
    m_server = address;
    useDriver(kServerDriver);
    if (!database().isValid()) {
        m_server.reset();
        return Status::failure(
            tr("O suporte ao PostgreSQL do Qt não está instalado (driver QPSQL, pacote "
               "libqt6sql6-psql)."));
    }
    if (Status connected = connectToServer(); !connected)
        return connected;
    // The server itself then refuses any write of this connection.
    if (m_readOnly) {
        if (Status reading = Sql::exec(database(), QStringLiteral("set session characteristics "
                                                                  "as transaction read only"));
            !reading)
            return reading;
    }
    rememberPassword(address);
    Status ready = prepareServerBook();
    // Only once the book is ready: creating or upgrading it may take longer.
    if (ready)
        ready = applySessionSettings(database());
    if (!ready)
        QSqlDatabase::database(m_name, false).close();
    m_serverInUse = ready.ok();
    return ready;
}

Status DbConnection::connectToServer()
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    m_server->applyTo(db);
    if (!db.open()) {
        const QString reason = db.lastError().text().trimmed();
        // libpq's words when a password is wanted or wrong.
        m_passwordRefused =
            reason.contains(u"password", Qt::CaseInsensitive) || reason.contains(u"senha");
        db.close();
        return Status::failure(
            tr("Não foi possível conectar ao servidor %1: %2").arg(m_server->display(), reason),
            Status::Cause::ServerLost);
    }
    // Sums of money come back as exact text, never as a rounded double.
    db.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return Sql::exec(db, QStringLiteral("set client_min_messages = warning"));
}

// An empty database becomes a new book; one with tables must hold a book.
Status DbConnection::prepareServerBook()
{
    const QSqlDatabase db = database();
    const QString where = m_server->display();
    const auto tables = Schema::serverTableCount(db);
    if (!tables)
        return Status::failure(
            tr("O banco de dados %1 não pôde ser lido: %2").arg(where, tables.reason()));
    if (*tables == 0 && m_readOnly)
        return Status::failure(tr("O banco de dados %1 não tem livro de caixa.").arg(where));
    m_createdBook = *tables == 0;
    if (*tables == 0) {
        if (Status created = Schema::create(db); !created)
            return Status::failure(tr("Não foi possível criar o livro de caixa em %1: %2")
                                       .arg(where, created.reason()));
    }
    for (const QString& table : Schema::tableNames()) {
        const QSqlRecord record = db.record(table);
        if (record.isEmpty())
            return Status::failure(tr("O banco de dados %1 não está vazio e não é um livro de "
                                      "caixa: falta a tabela %2.")
                                       .arg(where, table));
    }
    if (Status checked = checkContents(); !checked)
        return checked;
    // A reader leaves the version to its caller: an upgrade writes.
    return m_readOnly ? Status::success() : bringUpToDate();
}

Result<QDateTime> DbConnection::serverNow() const
{
    if (!m_server)
        return Status::failure(QStringLiteral("serverNow: not a server book"));
    const auto now = Sql::scalar(database(), QStringLiteral("select localtimestamp(0)"));
    if (!now)
        return now.status();
    return now->toDateTime();
}
