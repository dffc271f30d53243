#include "cashbook/EntryReader.h"

#include "cashbook/EntryRows.h"
#include "core/DbConnection.h"
#include "core/Formats.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace EntryReader {

namespace {

std::optional<qint64> optionalId(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const qint64 id = v.toLongLong(&ok);
    return ok ? std::optional<qint64>(id) : std::nullopt;
}

std::optional<QString> optionalText(const QVariant& v)
{
    return v.isNull() ? std::nullopt : std::optional<QString>(v.toString());
}

} // namespace

Result readPeriod(DbConnection& db, const QDate& first, const QDate& last, EntryRows& rows)
{
    rows.clear();
    QSqlQuery q(db.database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select * from caixa where data >= ? and data <= ? order by data, hora, id"));
    q.addBindValue(Formats::dbDate(first));
    q.addBindValue(Formats::dbDate(last));
    if (!q.exec())
        return {Outcome::Failed, q.lastError().text()};

    const QSqlRecord record = q.record();
    const int ndoc = record.indexOf(QStringLiteral("ndoc"));
    if (ndoc < 0)
        return {Outcome::MissingNdoc, QString()};
    const int id = record.indexOf(QStringLiteral("id"));
    const int idconta = record.indexOf(QStringLiteral("idconta"));
    const int data = record.indexOf(QStringLiteral("data"));
    const int hora = record.indexOf(QStringLiteral("hora"));
    const int descricao = record.indexOf(QStringLiteral("descricao"));
    const int entrada = record.indexOf(QStringLiteral("entrada"));
    const int saida = record.indexOf(QStringLiteral("saida"));

    EntryRows::Entry entry;
    while (q.next()) {
        entry.id = q.value(id).toLongLong();
        entry.idconta = optionalId(q.value(idconta));
        entry.data = Formats::dateFromDb(q.value(data));
        entry.hora = Formats::timeFromDb(q.value(hora));
        entry.ndoc = optionalText(q.value(ndoc));
        entry.descricao = optionalText(q.value(descricao));
        entry.entrada = Money::fromDb(q.value(entrada));
        entry.saida = Money::fromDb(q.value(saida));
        rows.append(entry);
    }
    if (q.lastError().isValid())
        return {Outcome::Failed, q.lastError().text()};
    return {Outcome::Read, QString()};
}

QHash<qint64, QString> accountNames(DbConnection& db)
{
    QHash<qint64, QString> names;
    QSqlQuery q(db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select id, descricao from contas")))
        return names;
    while (q.next())
        names.insert(q.value(0).toLongLong(), q.value(1).toString());
    return names;
}

} // namespace EntryReader
