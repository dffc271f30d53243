#include "LegacyTestSupport.h"

#include "users/StoredSecrets.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QSqlRecord>

QString legacyBook(const QString& name)
{
    return QStringLiteral(LIVRO_LEGACY_DATA "/") + name;
}

QJsonObject expectedFigures(const QString& name)
{
    QFile file(legacyBook(name + QStringLiteral(".expected.json")));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data: %s", qPrintable(file.fileName()));
    return QJsonDocument::fromJson(file.readAll()).object();
}

qint64 units(const QString& decimal)
{
    const bool negative = decimal.startsWith(u'-');
    const QStringList parts = decimal.mid(negative ? 1 : 0).split(u'.');
    qint64 value = parts.at(0).toLongLong() * 10000;
    if (parts.size() > 1)
        value += parts.at(1).leftJustified(4, u'0').toLongLong();
    return negative ? -value : value;
}

void DataFolder::put(const QByteArray& bytes, const QString& name) const
{
    QFile out(file(name));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(out.fileName()));
}

QStringList DataFolder::files() const
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

Start::Start(const DataFolder& folder) : session(db, dialogs, clock, folder.dir.path())
{
    session.accessReader = QStringLiteral(LIVRO_MDB_READER);
}

// As the program starts: the book is opened (converted first when it is an
// Access file) and any secret it holds as text is hashed.
Startup::FirstWindow Start::run()
{
    const Startup::FirstWindow first = Startup::Main(session);
    StoredSecrets::protect(session);
    return first;
}

QVariantList Start::row(const QString& sql, const QVariantList& values) const
{
    QSqlQuery q(db.database());
    q.prepare(sql);
    for (const QVariant& v : values)
        q.addBindValue(v);
    QVariantList result;
    if (!q.exec() || !q.next())
        return result;
    for (int i = 0; i < q.record().count(); ++i)
        result.append(q.value(i));
    return result;
}

QVariant Start::scalar(const QString& sql, const QVariantList& values) const
{
    return row(sql, values).value(0);
}
