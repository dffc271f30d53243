#include "TestBook.h"

#include "TestServer.h"
#include "core/DataFolder.h"
#include "core/Money.h"
#include "core/Sql.h"
#include "widgets/UserMemory.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

TestBook::TestBook() : session(db, dialogs, clock, m_dir.path())
{
    // Each test starts with windows and folders nobody remembered.
    QSettings(QSettings::UserScope, QString::fromLatin1(UserMemory::kOrganization),
              QString::fromLatin1(UserMemory::kApplication))
        .clear();
    if (TestServer::inUse())
        m_server = TestServer::createDatabase();
    const Status opened = m_server ? db.openServer(*m_server) : db.open(bookPath());
    if (!opened)
        qFatal("could not create the test book: %s", qPrintable(opened.reason()));
}

TestBook::~TestBook()
{
    db.close();
    if (m_server)
        TestServer::dropDatabase(*m_server);
}

QString TestBook::bookPath() const
{
    return DataFolder::bookPath(m_dir.path());
}

void TestBook::exec(const QString& sql, const QVariantList& values)
{
    const Status done = Sql::exec(db.database(), sql, values);
    if (!done)
        qFatal("statement failed: %s: %s", qPrintable(sql), qPrintable(done.reason()));
}

QVariant TestBook::scalar(const QString& sql, const QVariantList& values)
{
    auto q = Sql::run(db.database(), sql, values);
    if (!q || !q->next())
        return QVariant();
    return q->value(0);
}

QStringList TestBook::strings(const QString& sql, const QVariantList& values)
{
    QStringList list;
    auto q = Sql::run(db.database(), sql, values);
    if (!q)
        qFatal("statement failed: %s: %s", qPrintable(sql), qPrintable(q.reason()));
    while (q->next())
        list.append(q->isNull(0) ? QStringLiteral("NULL") : q->value(0).toString());
    return list;
}

QStringList TestBook::firstRow(const QString& sql, const QVariantList& values)
{
    QStringList row;
    auto q = Sql::run(db.database(), sql, values);
    if (!q)
        qFatal("statement failed: %s: %s", qPrintable(sql), qPrintable(q.reason()));
    if (q->next()) {
        for (int i = 0; i < q->record().count(); ++i)
            row.append(q->isNull(i) ? QStringLiteral("NULL") : q->value(i).toString());
    }
    return row;
}

qint64 TestBook::addAccount(const QString& name)
{
    exec(QStringLiteral("insert into contas (descricao, saldo) values (?, 0)"), {name});
    return scalar(QStringLiteral("select max(id) from contas")).toLongLong();
}

namespace {
QVariant moneyValue(const std::optional<QString>& text)
{
    if (!text)
        return QVariant(QMetaType(QMetaType::LongLong));
    const auto money = Money::parse(*text);
    if (!money)
        qFatal("bad amount in a test: %s", qPrintable(*text));
    return money->toDb();
}
} // namespace

qint64 TestBook::addEntry(const QString& isoDate, const QString& time,
                          std::optional<qint64> account, const QString& description,
                          std::optional<QString> in, std::optional<QString> out,
                          std::optional<QString> ndoc)
{
    exec(QStringLiteral("insert into caixa (idconta, data, hora, ndoc, descricao, entrada, saida) "
                        "values (?, ?, ?, ?, ?, ?, ?)"),
         {account ? QVariant(*account) : QVariant(QMetaType(QMetaType::LongLong)), isoDate, time,
          ndoc ? QVariant(*ndoc) : QVariant(QMetaType(QMetaType::QString)), description,
          moneyValue(in), moneyValue(out)});
    return scalar(QStringLiteral("select max(id) from caixa")).toLongLong();
}

QStringList items(const char* list, char separator)
{
    return QString::fromUtf8(list).split(QLatin1Char(separator));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}
