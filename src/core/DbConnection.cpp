#include "core/DbConnection.h"

#include "core/BookFile.h"
#include "core/Schema.h"
#include "core/Sql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

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

} // namespace

DbConnection::DbConnection()
    : m_name(QStringLiteral("DbConnection-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

DbConnection::~DbConnection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DbConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DbConnection::isOpen() const
{
    return database().isOpen();
}

void DbConnection::close()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

Status DbConnection::open(const QString& filePath)
{
    close();
    m_filePath = filePath;
    QSqlDatabase db = database();
    if (!db.isValid())
        return Status::failure(
            tr("O suporte ao SQLite do Qt não está instalado (driver QSQLITE)."));

    if (!QFileInfo::exists(filePath)) {
        if (Status created = createNewBook(filePath); !created)
            return created;
    }
    if (Status file = BookFile::check(filePath); !file)
        return file;

    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString reason = db.lastError().text();
        db.close();
        return Status::failure(
            tr("Não foi possível abrir %1: %2").arg(QDir::toNativeSeparators(filePath), reason));
    }
    if (Status contents = checkContents(); !contents) {
        db.close();
        return contents;
    }
    prepareForUse();
    return Status::success();
}

Status DbConnection::openForReading(const QString& filePath)
{
    close();
    m_filePath = filePath;
    QSqlDatabase db = database();
    db.setDatabaseName(filePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString reason = db.lastError().text();
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
    if (!QDir().mkpath(info.absolutePath()))
        return Status::failure(tr("Não foi possível criar a pasta %1.")
                                   .arg(QDir::toNativeSeparators(info.absolutePath())));
    const QString temp = filePath + QStringLiteral(".novo");
    QFile::remove(temp);
    Status status = createTables(temp, m_name + QStringLiteral("-new"));
    if (status && !QFile::rename(temp, filePath))
        status = Status::failure(tr("não foi possível gravar o arquivo"));
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
    const QString where = QDir::toNativeSeparators(m_filePath);
    const auto verdict = Sql::scalar(db, QStringLiteral("PRAGMA quick_check"));
    if (!verdict)
        return Status::failure(tr("O arquivo %1 não pôde ser lido como banco de dados: %2")
                                   .arg(where, verdict.reason()));
    if (verdict->toString() != u"ok")
        return Status::failure(
            tr("O arquivo %1 está danificado (%2).").arg(where, verdict->toString()));

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

// The rollback journal works on network folders too, and a full sync makes a
// committed entry survive a crash or a power cut.
void DbConnection::prepareForUse()
{
    const QSqlDatabase db = database();
    // Today's behaviour, kept on purpose: a book that refuses these (a
    // read-only file, a journal mode another tool left) is used as it is.
    static_cast<void>(Sql::exec(db, QStringLiteral("PRAGMA journal_mode=DELETE")));
    static_cast<void>(Sql::exec(db, QStringLiteral("PRAGMA synchronous=FULL")));
    // A read-only book simply keeps the indexes it has.
    static_cast<void>(Schema::ensureIndexes(db));
}
