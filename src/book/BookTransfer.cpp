#include "book/BookTransfer.h"

#include "book/BookCopy.h"
#include "core/DayTotals.h"
#include "core/DbConnection.h"
#include "core/Schema.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace BookTransfer {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("BookTransfer", text);
}

// Entries first: their triggers (or, on a server, one sum at the end) build
// the day totals of the copy (the source's are not copied), and find no day
// figure of "saldos" yet to move.
const char* const kTables[] = {"caixa",  "contas",   "usuarios",  "opcoes",
                               "saldos", "closings", "change_log"};

// The columns both books have, in the source's order: an older file book may
// lack a late column, which the copy then leaves empty.
QStringList sharedColumns(const QSqlDatabase& from, const QSqlDatabase& to, const QString& table)
{
    const QSqlRecord source = from.record(table);
    const QSqlRecord target = to.record(table);
    QStringList columns;
    for (int i = 0; i < source.count(); ++i) {
        if (target.indexOf(source.fieldName(i)) >= 0)
            columns.append(source.fieldName(i));
    }
    return columns;
}

Status copyTable(const QSqlDatabase& from, const QSqlDatabase& to, const QString& table)
{
    const QStringList columns = sharedColumns(from, to, table);
    // Table and column names are the program's own.
    auto rows = Sql::run(
        from, QStringLiteral("select %1 from %2").arg(columns.join(QStringLiteral(", ")), table));
    if (!rows)
        return rows.status();
    BookCopy::RowInserter inserter(to, table, columns);
    if (Status prepared = inserter.prepare(); !prepared)
        return prepared;
    QVariantList values;
    while (rows->next()) {
        values.clear();
        for (int c = 0; c < columns.size(); ++c)
            values.append(rows->value(c));
        if (Status inserted = inserter.insert(values); !inserted)
            return Status::failure(
                tr("a tabela %1 não pôde ser copiada: %2").arg(table, inserted.reason()));
    }
    if (rows->lastError().isValid())
        return Sql::failureOf(*rows);
    return Status::success();
}

// Who can log in, and with what, is the same in both books.
Result<QStringList> usersOf(const QSqlDatabase& db)
{
    auto q = Sql::run(db, QStringLiteral("select id, usuario, senha, restrito from usuarios "
                                         "order by id"));
    if (!q)
        return q.status();
    QStringList users;
    while (q->next())
        users.append(QStringList{q->value(0).toString(), q->value(1).toString(),
                                 q->value(2).toString(), QString::number(q->value(3).toLongLong())}
                         .join(u'\t'));
    return users;
}

Status checkCopy(const QSqlDatabase& from, const QSqlDatabase& to)
{
    const auto expected = BookCopy::read(from);
    if (!expected)
        return expected.status();
    const auto found = BookCopy::read(to);
    if (!found)
        return found.status();
    if (Status same = BookCopy::compare(*expected, *found); !same)
        return same;
    const auto usersBefore = usersOf(from);
    const auto usersAfter = usersOf(to);
    if (!usersBefore || !usersAfter)
        return !usersBefore ? usersBefore.status() : usersAfter.status();
    if (*usersBefore != *usersAfter)
        return Status::failure(tr("os usuários do novo livro não conferem com os do original"));
    // The closed days and the change log go along: a copy without them
    // would open days closed in the original and forget who did what.
    for (const char* table : {"closings", "change_log"}) {
        // The table names are the program's own.
        const QString sql = QStringLiteral("select count(*) from ") + QLatin1String(table);
        const auto before = Sql::scalar(from, sql);
        const auto after = Sql::scalar(to, sql);
        if (!before || !after)
            return !before ? before.status() : after.status();
        if (before->toLongLong() != after->toLongLong())
            return Status::failure(tr("a tabela %1 do novo livro tem %2 linhas em vez de %3")
                                       .arg(QLatin1String(table))
                                       .arg(after->toLongLong())
                                       .arg(before->toLongLong()));
    }
    return Status::success();
}

// On a server, the entries' triggers would cost a round of updates per row:
// they are off while the rows come in (the database is new, no desk uses it
// yet), and the day totals are summed once at the end, in the same
// transaction.
Status copyRows(const QSqlDatabase& from, const QSqlDatabase& to)
{
    const bool server = Sql::isServer(to);
    if (server) {
        if (Status off = Sql::exec(to, QStringLiteral("alter table caixa disable trigger user"));
            !off)
            return off;
    }
    for (const char* table : kTables) {
        if (Status copied = copyTable(from, to, QString::fromLatin1(table)); !copied)
            return copied;
    }
    if (server) {
        if (Status on = Sql::exec(to, QStringLiteral("alter table caixa enable trigger user")); !on)
            return on;
        if (Status summed = DayTotals::rebuild(to); !summed)
            return summed;
        // The server chooses between its indexes by what it knows of the
        // rows: a search right after the copy chooses well too.
        for (const char* table : {"caixa", "contas"}) {
            if (Status analysed = Sql::exec(to, QStringLiteral("analyze ") + QLatin1String(table));
                !analysed)
                return analysed;
        }
    }
    if (Status past = Schema::setIdsPastRows(to); !past)
        return past;
    return checkCopy(from, to);
}

} // namespace

Status copyInto(DbConnection& from, DbConnection& to)
{
    const QSqlDatabase target = to.database();
    Transaction transaction(target);
    if (!transaction.begun())
        return transaction.begun();
    if (Status copied = copyRows(from.database(), target); !copied)
        return copied;
    return transaction.commit();
}

Status writeFileCopy(const DbConnection& server, const QString& filePath)
{
    DbConnection source;
    if (Status opened = source.openSameBookAs(server); !opened)
        return opened;
    DbConnection copy;
    if (Status created = copy.open(filePath); !created)
        return created;
    // The reading connection's transactions are repeatable reads: every
    // table and every figure is read from the same moment of the book.
    Transaction moment(source.database());
    if (!moment.begun())
        return moment.begun();
    Status status = copyInto(source, copy);
    copy.close();
    if (!status)
        QFile::remove(filePath);
    return status;
}

} // namespace BookTransfer
