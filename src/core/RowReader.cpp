#include "core/RowReader.h"

#include "core/DbConnection.h"
#include "core/Formats.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

class RowReader::Backend
{
public:
    virtual ~Backend() = default;
    virtual bool ok() const = 0;
    virtual QString error() const = 0;
    virtual int indexOf(const QString& column) const = 0;
    virtual bool next() = 0;
    virtual bool isNull(int column) const = 0;
    virtual bool isInteger(int column) const = 0;
    virtual std::optional<qint64> integer(int column) const = 0;
    virtual QStringView text(int column) const = 0;
    virtual QByteArrayView utf8(int column) const = 0;
    virtual QVariant value(int column) const = 0;
};

namespace {

// Any engine: QSqlQuery, forward only.
class QtBackend final : public RowReader::Backend
{
public:
    QtBackend(QSqlDatabase db, const QString& sql, const QVariantList& values) : m_query(db)
    {
        m_query.setForwardOnly(true);
        m_ok = m_query.prepare(sql);
        if (!m_ok)
            return;
        for (const QVariant& v : values)
            m_query.addBindValue(v);
        m_ok = m_query.exec();
        if (m_ok)
            m_record = m_query.record();
    }
    bool ok() const override { return m_ok && !m_query.lastError().isValid(); }
    QString error() const override { return m_query.lastError().text(); }
    int indexOf(const QString& column) const override { return m_record.indexOf(column); }
    bool next() override
    {
        if (!m_ok || !m_query.next())
            return false;
        m_values.resize(m_record.count());
        m_texts.resize(m_record.count());
        m_utf8.resize(m_record.count());
        for (int i = 0; i < m_record.count(); ++i)
            m_values[i] = m_query.value(i);
        return true;
    }
    bool isNull(int column) const override { return m_values.at(column).isNull(); }
    bool isInteger(int column) const override
    {
        const int type = m_values.at(column).typeId();
        return type == QMetaType::LongLong || type == QMetaType::Int || type == QMetaType::UInt ||
               type == QMetaType::ULongLong;
    }
    std::optional<qint64> integer(int column) const override
    {
        bool ok = false;
        const qint64 n = m_values.at(column).toLongLong(&ok);
        return isNull(column) || !ok ? std::nullopt : std::optional<qint64>(n);
    }
    QStringView text(int column) const override
    {
        m_texts[column] = m_values.at(column).toString();
        return m_texts.at(column);
    }
    QByteArrayView utf8(int column) const override
    {
        m_utf8[column] = m_values.at(column).toString().toUtf8();
        return m_utf8.at(column);
    }
    QVariant value(int column) const override { return m_values.at(column); }

private:
    QSqlQuery m_query;
    QSqlRecord m_record;
    bool m_ok = false;
    QList<QVariant> m_values;
    mutable QList<QString> m_texts;
    mutable QList<QByteArray> m_utf8;
};

// SQLite: the connection's own handle, a statement of its own, values bound
// in order. The statement is finalised before the reader goes away, so the
// connection can always be closed afterwards.
class SqliteBackend final : public RowReader::Backend
{
public:
    SqliteBackend(sqlite3* handle, const QString& sql, const QVariantList& values)
        : m_handle(handle)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &m_stmt, nullptr) !=
            SQLITE_OK) {
            fail();
            return;
        }
        for (int i = 0; i < values.size(); ++i) {
            if (!bind(i + 1, values.at(i))) {
                fail();
                return;
            }
        }
    }
    ~SqliteBackend() override { sqlite3_finalize(m_stmt); }

    bool ok() const override { return m_error.isEmpty(); }
    QString error() const override { return m_error; }
    int indexOf(const QString& column) const override
    {
        if (!m_stmt)
            return -1;
        for (int i = 0; i < sqlite3_column_count(m_stmt); ++i) {
            if (column.compare(QString::fromUtf8(sqlite3_column_name(m_stmt, i)),
                               Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    bool next() override
    {
        if (!m_stmt || m_done)
            return false;
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        m_done = true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    bool isNull(int column) const override
    {
        return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
    }
    bool isInteger(int column) const override
    {
        return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
    }
    std::optional<qint64> integer(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_NULL:
            return std::nullopt;
        case SQLITE_INTEGER:
            return qint64(sqlite3_column_int64(m_stmt, column));
        default:
            return value(column).toLongLong();
        }
    }
    QStringView text(int column) const override
    {
        const void* data = sqlite3_column_text16(m_stmt, column);
        const int bytes = sqlite3_column_bytes16(m_stmt, column);
        if (!data)
            return QStringView();
        return QStringView(static_cast<const char16_t*>(data), qsizetype(bytes / 2));
    }
    QByteArrayView utf8(int column) const override
    {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        if (!data)
            return QByteArrayView();
        return QByteArrayView(data, sqlite3_column_bytes(m_stmt, column));
    }
    QVariant value(int column) const override
    {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_NULL:
            return QVariant();
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(m_stmt, column));
        default:
            return QVariant(text(column).toString());
        }
    }

private:
    bool bind(int index, const QVariant& v)
    {
        if (v.isNull())
            return sqlite3_bind_null(m_stmt, index) == SQLITE_OK;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            return sqlite3_bind_int64(m_stmt, index, v.toLongLong()) == SQLITE_OK;
        case QMetaType::Double:
            return sqlite3_bind_double(m_stmt, index, v.toDouble()) == SQLITE_OK;
        default: {
            const QByteArray utf8 = v.toString().toUtf8();
            return sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()),
                                     SQLITE_TRANSIENT) == SQLITE_OK;
        }
        }
    }
    void fail() { m_error = QString::fromUtf8(sqlite3_errmsg(m_handle)); }

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_done = false;
    QString m_error;
};

sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

} // namespace

RowReader::RowReader(DbConnection& db, const QString& sql, const QVariantList& values, Path path)
{
    const QSqlDatabase database = db.database();
    sqlite3* handle = path == Path::Fastest ? sqliteHandle(database) : nullptr;
    if (handle)
        m_backend = std::make_unique<SqliteBackend>(handle, sql, values);
    else
        m_backend = std::make_unique<QtBackend>(database, sql, values);
}

RowReader::~RowReader() = default;

Status RowReader::status() const
{
    if (m_backend->ok())
        return Status::success();
    const QString reason = m_backend->error().trimmed();
    return Status::failure(reason.isEmpty() ? QStringLiteral("erro desconhecido do banco de dados")
                                            : reason);
}
int RowReader::indexOf(const QString& column) const
{
    return m_backend->indexOf(column);
}
bool RowReader::next()
{
    return m_backend->next();
}

std::optional<Money> RowReader::money(int column) const
{
    if (column < 0 || isNull(column))
        return std::nullopt;
    if (isInteger(column))
        return Money::fromUnits(*integer(column));
    return Money::fromDb(value(column)); // stored by another tool as text or REAL
}

bool RowReader::isNull(int column) const
{
    return m_backend->isNull(column);
}
bool RowReader::isInteger(int column) const
{
    return m_backend->isInteger(column);
}
std::optional<qint64> RowReader::integer(int column) const
{
    return m_backend->integer(column);
}
QStringView RowReader::text(int column) const
{
    return m_backend->text(column);
}
QByteArrayView RowReader::utf8(int column) const
{
    return m_backend->utf8(column);
}
QVariant RowReader::value(int column) const
{
    return m_backend->value(column);
}

QDate RowReader::date(int column) const
{
    if (isNull(column))
        return QDate();
    return Formats::dateFromText(text(column));
}

QTime RowReader::time(int column) const
{
    if (isNull(column))
        return QTime();
    return Formats::timeFromText(text(column));
}
