#include "book/RestoreImpact.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Money.h"
#include "core/Sql.h"

#include <QSqlRecord>

namespace {

// What the current book has beyond the backup, for one part of the book.
using Describer = Result<QStringList> (*)(const QSqlDatabase& current, const QSqlDatabase& backup);

// Every part a restore undoes.
const Describer kDescribers[] = {
    &RestoreImpact::entries,
    &RestoreImpact::closings,
    &RestoreImpact::changeLog,
};

constexpr int kExamples = 3;

// An entry as read for the comparison: its id, everything that can change
// about it, and how the question names it.
struct EntryRow
{
    qint64 id = 0;
    QString values;
    QString shown;
};

const QString kEntrySql =
    QStringLiteral("select id, data, hora, idconta, ndoc, descricao, entrada, saida from caixa "
                   "order by id");

EntryRow readRow(const QSqlQuery& q)
{
    EntryRow row;
    row.id = q.value(0).toLongLong();
    QStringList values;
    for (int column = 1; column < 8; ++column)
        values.append(q.isNull(column) ? QStringLiteral("\x01") : q.value(column).toString());
    row.values = values.join(u'\x02');
    const auto in = Money::fromDb(q.value(6));
    const auto out = Money::fromDb(q.value(7));
    const QString amount = in && !in->isZero()     ? in->format()
                           : out && !out->isZero() ? u'-' + out->format()
                                                   : QString();
    row.shown = QStringLiteral("%1 %2 %3")
                    .arg(Formats::date(Formats::dateFromDb(q.value(1))),
                         q.value(5).toString().trimmed(), amount)
                    .trimmed();
    return row;
}

// The differences of two lists of entries, both read in id order at once.
struct EntryDifferences
{
    qint64 added = 0;
    qint64 changed = 0;
    qint64 removed = 0;
    QStringList addedShown; // the last few made
    QStringList changedShown;

    void add(const EntryRow& row)
    {
        ++added;
        addedShown.append(row.shown);
        if (addedShown.size() > kExamples)
            addedShown.removeFirst();
    }
    void change(const EntryRow& row)
    {
        if (++changed <= kExamples)
            changedShown.append(row.shown);
    }
};

Result<EntryDifferences> compareEntries(const QSqlDatabase& current, const QSqlDatabase& backup)
{
    auto now = Sql::run(current, kEntrySql);
    if (!now)
        return now.status();
    auto then = Sql::run(backup, kEntrySql);
    if (!then)
        return then.status();
    EntryDifferences found;
    bool moreNow = now->next();
    bool moreThen = then->next();
    while (moreNow || moreThen) {
        const qint64 idNow = moreNow ? now->value(0).toLongLong() : 0;
        const qint64 idThen = moreThen ? then->value(0).toLongLong() : 0;
        if (moreNow && (!moreThen || idNow < idThen)) {
            found.add(readRow(*now));
            moreNow = now->next();
        } else if (moreThen && (!moreNow || idThen < idNow)) {
            ++found.removed;
            moreThen = then->next();
        } else {
            const EntryRow row = readRow(*now);
            if (row.values != readRow(*then).values)
                found.change(row);
            moreNow = now->next();
            moreThen = then->next();
        }
    }
    return found;
}

// The highest id of a table of the backup; 0 when the backup was made
// before the book had that table (everything in it is newer).
Result<qint64> lastIdIn(const QSqlDatabase& backup, const QString& table)
{
    const auto present = Sql::scalar(
        backup,
        QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"),
        {table});
    if (!present)
        return present.status();
    if (present->toLongLong() == 0)
        return qint64(0);
    const auto last =
        Sql::scalar(backup, QStringLiteral("select coalesce(max(id), 0) from ") + table);
    if (!last)
        return last.status();
    return last->toLongLong();
}

Result<qint64> count(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    const auto n = Sql::scalar(db, sql, values);
    if (!n)
        return n.status();
    return n->toLongLong();
}

QString examples(const QStringList& shown)
{
    return QStringLiteral(":\n    ") + shown.join(QStringLiteral("\n    "));
}

} // namespace

Result<QStringList> RestoreImpact::entries(const QSqlDatabase& current, const QSqlDatabase& backup)
{
    const auto found = compareEntries(current, backup);
    if (!found)
        return found.status();
    QStringList lines;
    if (found->added > 0)
        lines.append(
            (found->added == 1
                 ? tr("1 lançamento feito depois do backup")
                 : tr("%1 lançamentos feitos depois do backup (os últimos)").arg(found->added)) +
            examples(found->addedShown));
    if (found->changed > 0)
        lines.append((found->changed == 1
                          ? tr("1 lançamento alterado depois do backup")
                          : tr("%1 lançamentos alterados depois do backup").arg(found->changed)) +
                     examples(found->changedShown));
    if (found->removed > 0)
        lines.append(found->removed == 1
                         ? tr("1 lançamento apagado depois do backup, que volta ao livro")
                         : tr("%1 lançamentos apagados depois do backup, que voltam ao livro")
                               .arg(found->removed));
    return lines;
}

// Closings made since the backup (named by their days) and closings of the
// backup reopened since.
Result<QStringList> RestoreImpact::closings(const QSqlDatabase& current, const QSqlDatabase& backup)
{
    const auto last = lastIdIn(backup, QStringLiteral("closings"));
    if (!last)
        return last.status();
    auto newer = Sql::run(
        current, QStringLiteral("select data from closings where id > ? order by data"), {*last});
    if (!newer)
        return newer.status();
    QStringList days;
    while (newer->next())
        days.append(Formats::date(Formats::dateFromDb(newer->value(0))));
    const QString reopenedSql =
        QStringLiteral("select count(*) from closings where id <= ? and reopened_at is not null");
    const auto reopenedNow = count(current, reopenedSql, {*last});
    if (!reopenedNow)
        return reopenedNow.status();
    qint64 reopenedThen = 0;
    if (*last > 0) {
        const auto then = count(backup, reopenedSql, {*last});
        if (!then)
            return then.status();
        reopenedThen = *then;
    }
    QStringList lines;
    if (!days.isEmpty())
        lines.append(
            (days.size() == 1
                 ? tr("1 fechamento de caixa feito depois do backup")
                 : tr("%1 fechamentos de caixa feitos depois do backup").arg(days.size())) +
            QStringLiteral(": ") + days.join(QStringLiteral(", ")));
    if (const qint64 reopened = *reopenedNow - reopenedThen; reopened > 0)
        lines.append(reopened == 1
                         ? tr("1 dia reaberto depois do backup, que volta a estar fechado")
                         : tr("%1 dias reabertos depois do backup, que voltam a estar fechados")
                               .arg(reopened));
    return lines;
}

// The records of the change log written since the backup: the restore takes
// them back with the changes they record.
Result<QStringList> RestoreImpact::changeLog(const QSqlDatabase& current,
                                             const QSqlDatabase& backup)
{
    const auto last = lastIdIn(backup, QStringLiteral("change_log"));
    if (!last)
        return last.status();
    const auto newer =
        count(current, QStringLiteral("select count(*) from change_log where id > ?"), {*last});
    if (!newer)
        return newer.status();
    if (*newer == 0)
        return QStringList();
    return QStringList(
        *newer == 1
            ? tr("1 registro do histórico de alterações feito depois do backup")
            : tr("%1 registros do histórico de alterações feitos depois do backup").arg(*newer));
}

Result<QStringList> RestoreImpact::describe(DbConnection& current, const QString& backupPath)
{
    DbConnection backup;
    if (Status opened = backup.openForReading(backupPath); !opened)
        return opened;
    QStringList lines;
    for (const Describer describer : kDescribers) {
        const auto part = describer(current.database(), backup.database());
        if (!part)
            return part.status();
        lines += *part;
    }
    return lines;
}
