#include "book/RestoreImpact.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/Money.h"
#include "core/Sql.h"

#include <QSqlRecord>

namespace {

// What the current book has beyond the backup, for one part of the book.
using Describer = Result<QStringList> (*)(const QSqlDatabase& current, const QSqlDatabase& backup);

// Every part a restore undoes. The closings of the day and the change log
// add their describers here, beside the entries'.
const Describer kDescribers[] = {
    &RestoreImpact::entries,
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
