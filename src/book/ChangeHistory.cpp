#include "book/ChangeHistory.h"

#include "book/AccountBook.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Sql.h"

ChangeHistory::ChangeHistory(DbConnection& db) : m_db(db) {}

QString ChangeHistory::tableText(const QString& table)
{
    if (table == u"caixa")
        return tr("Lançamento");
    if (table == u"contas")
        return tr("Conta");
    if (table == u"usuarios")
        return tr("Usuário");
    if (table == u"opcoes")
        return tr("Opções");
    if (table == u"closings")
        return tr("Fechamento");
    return table;
}

Result<QList<ChangeHistory::Record>>
ChangeHistory::read(const Filter& filter, const std::optional<Record>& after, int limit) const
{
    // Moments are stored "yyyy-MM-dd HH:mm:ss": a day's changes sort from
    // its date and come before the next day's.
    QString where = QStringLiteral("where changed_at >= ? and changed_at < ?");
    QVariantList values{Formats::dbDate(filter.first), Formats::dbDate(filter.last.addDays(1))};
    if (!filter.person.isEmpty()) {
        where += QStringLiteral(" and user_name = ?");
        values.append(filter.person);
    }
    if (filter.kind) {
        where += QStringLiteral(" and kind = ?");
        values.append(ChangeLog::codeOf(*filter.kind));
    }
    if (after) {
        where += QStringLiteral(" and (changed_at < ? or (changed_at = ? and id < ?))");
        const QString moment = Formats::dbMoment(after->when);
        values << moment << moment << after->id;
    }
    values.append(limit);
    auto q = Sql::run(m_db.database(),
                      QStringLiteral("select id, changed_at, user_name, computer, kind, "
                                     "table_name, row_key, before_values, after_values from "
                                     "change_log ") +
                          where + QStringLiteral(" order by changed_at desc, id desc limit ?"),
                      values);
    if (!q)
        return q.status();
    QList<Record> records;
    while (q->next()) {
        Record r;
        r.id = q->value(0).toLongLong();
        r.when = Formats::momentFromDb(q->value(1));
        r.person = q->value(2).toString();
        r.computer = q->value(3).toString();
        const QString code = q->value(4).toString();
        const auto kind = ChangeLog::kindOf(code);
        r.kind = kind ? ChangeLog::textOf(*kind) : code;
        r.table = tableText(q->value(5).toString());
        r.key = q->value(6).toString();
        r.before = q->value(7).toString();
        r.after = q->value(8).toString();
        records.append(r);
    }
    return records;
}

Result<QStringList> ChangeHistory::people() const
{
    auto q = Sql::run(m_db.database(), QStringLiteral("select distinct user_name from change_log"));
    if (!q)
        return q.status();
    QStringList names;
    while (q->next())
        names.append(q->value(0).toString());
    AccountBook::sortNames(names);
    return names;
}
