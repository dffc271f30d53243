#include "legacy/LegacyTables.h"

#include "book/BookCopy.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Schema.h"
#include "core/Transaction.h"
#include "legacy/LegacyValues.h"
#include "legacy/ReaderProtocol.h"
#include "legacy/SourceBook.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>
#include <numeric>

namespace LegacyTables {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("AccessMigration", text);
}

enum class Kind { Key, Integer, Money, Date, Time, Text, YesNo };

Kind kindOf(const QString& column)
{
    if (column == u"id")
        return Kind::Key;
    if (column == u"idconta" || column == u"qtdarquivosbkp")
        return Kind::Integer;
    if (column == u"entrada" || column == u"saida" || column == u"saldo")
        return Kind::Money;
    if (column == u"data")
        return Kind::Date;
    if (column == u"hora")
        return Kind::Time;
    if (column == u"lembrar" || column == u"susuario" || column == u"bkpautomatico" ||
        column == u"restrito")
        return Kind::YesNo;
    return Kind::Text;
}

bool typeFits(Kind kind, int type)
{
    using namespace ReaderProtocol;
    const bool integer = type == TypeByte || type == TypeInt || type == TypeLongInt;
    switch (kind) {
    case Kind::Key:
    case Kind::Integer:
        return integer;
    case Kind::Money:
        return type == TypeMoney;
    case Kind::Date:
    case Kind::Time:
        return type == TypeDateTime;
    case Kind::Text:
        return type == TypeText || type == TypeMemo;
    case Kind::YesNo:
        return type == TypeBool || integer;
    }
    return false;
}

QStringList columnsOf(const QString& table)
{
    return Schema::originalColumns(table) + Schema::lateColumns(table);
}

QVariant nullOf(Kind kind)
{
    const bool text = kind == Kind::Text || kind == Kind::Date || kind == Kind::Time;
    return QVariant(QMetaType(text ? QMetaType::QString : QMetaType::LongLong));
}

// The value to store, or nothing when the text is not a value of its kind.
std::optional<QVariant> convert(const SourceRow& row, int column, Kind kind)
{
    if (row.isNull(column))
        return nullOf(kind);
    const QByteArray text = row.bytes(column);
    switch (kind) {
    case Kind::Key:
    case Kind::Integer:
        if (const auto v = LegacyValues::integer(text))
            return QVariant(*v);
        break;
    case Kind::Money:
        if (const auto v = LegacyValues::money(text))
            return v->toDb();
        break;
    case Kind::Date:
        if (const auto v = LegacyValues::moment(text))
            return QVariant(Formats::dbDate(v->date));
        break;
    case Kind::Time:
        if (const auto v = LegacyValues::moment(text))
            return QVariant(Formats::dbTime(v->time));
        break;
    case Kind::YesNo:
        if (const auto v = LegacyValues::yesNo(text))
            return QVariant(qint64(*v ? 1 : 0));
        break;
    case Kind::Text:
        return QVariant(QString::fromUtf8(text));
    }
    return std::nullopt;
}

// Writes the rows of one table and counts what went in.
class TableWriter
{
public:
    TableWriter(const QSqlDatabase& db, const SourceTable& source, const QString& name,
                Figures& figures)
        : m_source(source), m_name(name), m_columns(columnsOf(name)), m_insert(db, name, m_columns),
          m_figures(figures)
    {
        for (const QString& column : m_columns) {
            m_from.append(source.indexOf(column));
            m_kinds.append(kindOf(column));
        }
    }

    Status prepare()
    {
        if (Status prepared = m_insert.prepare(); !prepared)
            return prepared;
        return rowOrder();
    }

    const QList<qsizetype>& order() const { return m_order; }

    Status writeRow(qsizetype index)
    {
        const SourceRow row(m_source.rows.at(index));
        QVariantList values;
        for (qsizetype c = 0; c < m_columns.size(); ++c) {
            const auto value = convert(row, m_from.at(c), m_kinds.at(c));
            if (!value)
                return Status::failure(
                    tr("a coluna %1.%2 tem um valor inválido (%3) na linha %4; o arquivo está "
                       "danificado")
                        .arg(m_name, m_columns.at(c), row.text(m_from.at(c)), rowName(row, index)));
            values.append(*value);
        }
        if (Status inserted = m_insert.insert(values); !inserted)
            return inserted;
        m_figures.rows[m_name] += 1;
        return m_name == u"caixa" ? tally(values) : Status::success();
    }

private:
    QString rowName(const SourceRow& row, qsizetype index) const
    {
        const int id = m_source.indexOf(u"id");
        return id >= 0 ? tr("de id %1").arg(row.text(id)) : QString::number(index + 1);
    }

    // Storage order is not id order: a row that grew after an edit moved to
    // another page. saldos has no id and goes by date; opcoes stays as stored,
    // since its first row is the one that counts.
    Status rowOrder()
    {
        m_order.resize(m_source.rows.size());
        std::iota(m_order.begin(), m_order.end(), qsizetype(0));
        const bool byId = m_columns.contains(QStringLiteral("id"));
        const bool byDate = m_name == u"saldos";
        const int keyColumn = byId     ? m_source.indexOf(u"id")
                              : byDate ? m_source.indexOf(u"data")
                                       : -1;
        if (keyColumn < 0)
            return Status::success();
        QList<std::pair<qint64, qsizetype>> keys;
        for (qsizetype r = 0; r < m_source.rows.size(); ++r) {
            const QByteArray text = SourceRow(m_source.rows.at(r)).bytes(keyColumn);
            if (byId) {
                const auto id = LegacyValues::integer(text);
                if (!id)
                    return Status::failure(
                        tr("a tabela %1 tem uma linha sem id; o arquivo está danificado")
                            .arg(m_name));
                keys.append({*id, r});
            } else {
                const auto day = LegacyValues::moment(text);
                keys.append(
                    {day ? day->date.toJulianDay() : std::numeric_limits<qint64>::min(), r});
            }
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (byId && i > 0 && keys.at(i).first == keys.at(i - 1).first)
                return Status::failure(
                    tr("o id %1 aparece mais de uma vez na tabela %2; o arquivo está danificado")
                        .arg(keys.at(i).first)
                        .arg(m_name));
            m_order[i] = keys.at(i).second;
        }
        return Status::success();
    }

    Status tally(const QVariantList& values)
    {
        const QVariant account = values.at(m_columns.indexOf(QStringLiteral("idconta")));
        return m_figures.countEntry(
            account.isNull() ? std::nullopt : std::optional(account.toLongLong()),
            Money::fromDb(values.at(m_columns.indexOf(QStringLiteral("entrada")))),
            Money::fromDb(values.at(m_columns.indexOf(QStringLiteral("saida")))));
    }

    const SourceTable& m_source;
    QString m_name;
    QStringList m_columns;
    QList<int> m_from;
    QList<Kind> m_kinds;
    QList<qsizetype> m_order;
    BookCopy::RowInserter m_insert;
    Figures& m_figures;
};

} // namespace

Status checkLayout(const SourceBook& source)
{
    for (const QString& name : Schema::tableNames()) {
        const SourceTable* table = source.table(name);
        if (!table)
            return Status::failure(tr("o arquivo não tem a tabela %1").arg(name));
        const QStringList original = Schema::originalColumns(name);
        for (const QString& column : columnsOf(name)) {
            const int index = table->indexOf(column);
            if (index < 0 && original.contains(column))
                return Status::failure(tr("a tabela %1 não tem a coluna %2").arg(name, column));
            if (index >= 0 && !typeFits(kindOf(column), table->columns.at(index).type))
                return Status::failure(
                    tr("a coluna %1.%2 tem um tipo inesperado (tipo %3 do Access)")
                        .arg(name, column)
                        .arg(table->columns.at(index).type));
        }
    }
    return Status::success();
}

Status write(const QSqlDatabase& db, const SourceBook& source, Progress& progress, Figures& figures)
{
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    qint64 written = 0;
    for (const QString& name : Schema::tableNames()) {
        figures.rows[name] = 0;
        TableWriter writer(db, *source.table(name), name, figures);
        if (Status prepared = writer.prepare(); !prepared)
            return prepared;
        for (qsizetype index : writer.order()) {
            if (Status row = writer.writeRow(index); !row)
                return row;
            if (++written % 64 == 0) {
                progress.setValue(written);
                if (progress.wasCanceled())
                    return Status::failure(tr("a conversão foi cancelada"));
            }
        }
    }
    progress.setValue(written);
    return transaction.commit();
}

Status verify(const QSqlDatabase& db, const Figures& expected)
{
    const auto found = BookCopy::read(db);
    if (!found)
        return found.status();
    if (Status same = BookCopy::compare(expected, *found); !same)
        return same;
    return BookCopy::integrityCheck(db);
}

} // namespace LegacyTables
