#include "core/SearchIndex.h"

#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/EnsureColumn.h"
#include "core/ServerSearchIndex.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QSqlRecord>

#include <algorithm>

namespace SearchIndex {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SearchIndex", text);
}

constexpr int kMinutesPerDay = 1440;
// Entries read into the index per step of the build, between two looks at
// the progress window.
constexpr int kBuildStep = 20000;
// A book this small is indexed before a progress window could be seen.
constexpr qint64 kQuietBuild = 20000;

const QDate& firstDay()
{
    static const QDate day(1900, 1, 1);
    return day;
}

// The account name of the caixa row `alias`, as the index holds it.
QString accountSql(const QString& alias)
{
    return QStringLiteral("(select a.descricao from contas a where a.id = %1.idconta)").arg(alias);
}

QString indexedSql(const QString& alias)
{
    return QStringLiteral("%1.id between 1 and %2").arg(alias).arg(kIdLimit - 1);
}

// The rows the index adds or takes out for the caixa rows of a query. The
// 'delete' command of an index over external content must be given the very
// texts it indexed, which is why the account name is passed in: on a rename
// it is the name before the change.
QString addRows(const QString& from, const QString& alias, const QString& account)
{
    return QStringLiteral("insert into caixa_busca (rowid, descricao, ndoc, conta) "
                          "select %1, %2.descricao, %2.ndoc, %3 %4;")
        .arg(keySql(alias), alias, account, from);
}

QString removeRows(const QString& from, const QString& alias, const QString& account)
{
    return QStringLiteral("insert into caixa_busca (caixa_busca, rowid, descricao, ndoc, conta) "
                          "select 'delete', %1, %2.descricao, %2.ndoc, %3 %4;")
        .arg(keySql(alias), alias, account, from);
}

QStringList triggerNames()
{
    return {QStringLiteral("caixa_busca_ai"),  QStringLiteral("caixa_busca_ad"),
            QStringLiteral("caixa_busca_au"),  QStringLiteral("contas_busca_ai"),
            QStringLiteral("contas_busca_ad"), QStringLiteral("contas_busca_au")};
}

// The entries of one account as caixa rows `c`.
QString entriesOf(const QString& accountId)
{
    return QStringLiteral("from caixa c where c.idconta = %1 and %2")
        .arg(accountId, indexedSql(QStringLiteral("c")));
}

QStringList triggerStatements()
{
    const QString whenNew = QStringLiteral("where ") + indexedSql(QStringLiteral("new"));
    const QString whenOld = QStringLiteral("where ") + indexedSql(QStringLiteral("old"));
    const QString c = QStringLiteral("c");
    // An account changed under its entries: those of the old id lose the old
    // name; entries that pointed at the new id had no account until now.
    const QString renamed =
        QStringLiteral("from caixa c where (c.idconta = old.id or (c.idconta = new.id and "
                       "new.id is not old.id)) and ") +
        indexedSql(c);
    return {
        QStringLiteral("create trigger caixa_busca_ai after insert on caixa begin ") +
            addRows(whenNew, QStringLiteral("new"), accountSql(QStringLiteral("new"))) +
            QStringLiteral(" end"),
        QStringLiteral("create trigger caixa_busca_ad after delete on caixa begin ") +
            removeRows(whenOld, QStringLiteral("old"), accountSql(QStringLiteral("old"))) +
            QStringLiteral(" end"),
        QStringLiteral("create trigger caixa_busca_au after update of id, idconta, data, hora, "
                       "ndoc, descricao on caixa begin ") +
            removeRows(whenOld, QStringLiteral("old"), accountSql(QStringLiteral("old"))) +
            addRows(whenNew, QStringLiteral("new"), accountSql(QStringLiteral("new"))) +
            QStringLiteral(" end"),
        QStringLiteral("create trigger contas_busca_ai after insert on contas begin ") +
            removeRows(entriesOf(QStringLiteral("new.id")), c, QStringLiteral("null")) +
            addRows(entriesOf(QStringLiteral("new.id")), c, QStringLiteral("new.descricao")) +
            QStringLiteral(" end"),
        QStringLiteral("create trigger contas_busca_ad after delete on contas begin ") +
            removeRows(entriesOf(QStringLiteral("old.id")), c, QStringLiteral("old.descricao")) +
            addRows(entriesOf(QStringLiteral("old.id")), c, QStringLiteral("null")) +
            QStringLiteral(" end"),
        QStringLiteral("create trigger contas_busca_au after update of id, descricao on contas "
                       "begin ") +
            removeRows(renamed, c,
                       QStringLiteral("case when c.idconta = old.id then old.descricao end")) +
            addRows(renamed, c, accountSql(c)) + QStringLiteral(" end"),
    };
}

QStringList createStatements()
{
    QStringList statements{
        // What the index was built from, for its checks and its rebuilds.
        QStringLiteral("create view caixa_busca_origem as select %1 as chave, c.id as id, "
                       "c.descricao as descricao, c.ndoc as ndoc, a.descricao as conta "
                       "from caixa c left join contas a on a.id = c.idconta where %2")
            .arg(keySql(QStringLiteral("c")), indexedSql(QStringLiteral("c"))),
        // Words only: no positions (detail=none) and no sizes (columnsize=0),
        // which keeps the index a fraction of the entries' size.
        QStringLiteral("create virtual table caixa_busca using fts5(descricao, ndoc, conta, "
                       "content='caixa_busca_origem', content_rowid='chave', "
                       "tokenize='unicode61 remove_diacritics 2', detail=none, columnsize=0)"),
        QStringLiteral("create virtual table caixa_busca_termos using fts5vocab(caixa_busca, row)"),
        // An amount is looked up among amounts received and among amounts
        // paid out; an entry has one of the two, so each index leaves out
        // the zeros and together they are about one row per entry.
        QStringLiteral("create index caixa_entrada on caixa (entrada) where entrada <> 0"),
        QStringLiteral("create index caixa_saida on caixa (saida) where saida <> 0"),
    };
    return statements + triggerStatements();
}

QStringList dropStatements()
{
    QStringList statements;
    for (const QString& name : triggerNames())
        statements.append(QStringLiteral("drop trigger if exists ") + name);
    statements.append(QStringLiteral("drop table if exists caixa_busca_termos"));
    statements.append(QStringLiteral("drop table if exists caixa_busca"));
    statements.append(QStringLiteral("drop view if exists caixa_busca_origem"));
    statements.append(QStringLiteral("drop index if exists caixa_entrada"));
    statements.append(QStringLiteral("drop index if exists caixa_saida"));
    return statements;
}

Status runAll(const QSqlDatabase& db, const QStringList& statements)
{
    for (const QString& statement : statements) {
        if (Status done = Sql::exec(db, statement); !done)
            return done;
    }
    return Status::success();
}

// The next step of entries after `lastId`: how many, and the last id.
Result<std::pair<qint64, qint64>> nextStep(const QSqlDatabase& db, qint64 lastId)
{
    auto q = Sql::run(db,
                      QStringLiteral("select count(*), max(id) from (select id from caixa "
                                     "where id > ? and id < ? order by id limit ?)"),
                      {lastId, kIdLimit, kBuildStep});
    if (!q)
        return q.status();
    if (!q->next())
        return Status::failure(Sql::reasonOf(*q));
    return std::pair(q->value(0).toLongLong(), q->value(1).toLongLong());
}

// Step by step in id order, each step added in key order: the index takes
// rows fastest when their keys come in ascending order.
Status fill(const QSqlDatabase& db, Progress& progress)
{
    const auto total = Sql::scalar(db, QStringLiteral("select count(*) from caixa"));
    if (!total)
        return total.status();
    progress.setMaximum(total->toLongLong());
    qint64 lastId = 0;
    qint64 done = 0;
    for (;;) {
        const auto step = nextStep(db, lastId);
        if (!step)
            return step.status();
        if (step->first == 0)
            return Status::success();
        if (Status added = Sql::exec(
                db,
                QStringLiteral("insert into caixa_busca (rowid, descricao, ndoc, conta) "
                               "select chave, descricao, ndoc, conta from caixa_busca_origem "
                               "where id > ? and id <= ? order by chave"),
                {lastId, step->second});
            !added)
            return added;
        lastId = step->second;
        done += step->first;
        progress.setValue(done);
        if (progress.wasCanceled())
            return Status::failure(tr("a criação do índice de busca foi cancelada"));
    }
}

} // namespace

qint64 key(const QDate& day, int minuteOfDay, qint64 id)
{
    const qint64 days = day.isValid() ? std::max<qint64>(0, firstDay().daysTo(day)) : 0;
    const int minute = std::clamp(minuteOfDay, 0, kMinutesPerDay - 1);
    return (days * kMinutesPerDay + minute) * kIdLimit + id;
}

qint64 firstKeyOf(const QDate& day)
{
    return key(day, 0, 0);
}

QString keySql(const QString& alias)
{
    // julianday('1900-01-01') is 2415020.5. A date with a time part counts by
    // its day; a text that is no date gives null, which counts as 0.
    return QStringLiteral(
               "((max(0, coalesce(cast(julianday(substr(%1.data, 1, 10)) - 2415020.5 as "
               "integer), 0)) * %2 + coalesce(max(0, min(%3, cast(substr(%1.hora, 1, 2) as "
               "integer) * 60 + cast(substr(%1.hora, 4, 2) as integer))), 0)) * %4 + %1.id)")
        .arg(alias)
        .arg(kMinutesPerDay)
        .arg(kMinutesPerDay - 1)
        .arg(kIdLimit);
}

Result<bool> exists(DbConnection& db)
{
    const QStringList names = triggerNames() + QStringList{QStringLiteral("caixa_busca"),
                                                           QStringLiteral("caixa_busca_termos"),
                                                           QStringLiteral("caixa_busca_origem"),
                                                           QStringLiteral("caixa_entrada"),
                                                           QStringLiteral("caixa_saida")};
    QVariantList values;
    QStringList marks;
    for (const QString& name : names) {
        values.append(name);
        marks.append(QStringLiteral("?"));
    }
    const auto found =
        Sql::scalar(db.database(),
                    QStringLiteral("select count(*) from sqlite_master where name in (%1)")
                        .arg(marks.join(u',')),
                    values);
    if (!found)
        return found.status();
    return found->toLongLong() == names.size();
}

Status create(DbConnection& db, Progress& progress)
{
    const QSqlDatabase database = db.database();
    if (database.record(QStringLiteral("caixa")).indexOf(QStringLiteral("ndoc")) < 0 &&
        !EnsureColumn(db, QStringLiteral("caixa"), QStringLiteral("ndoc"),
                      QStringLiteral("varchar (255)")))
        return Status::failure(tr("não foi possível acrescentar a coluna do número de documento "
                                  "(ndoc) ao livro de caixa"));
    Transaction transaction(database);
    if (!transaction.begun())
        return transaction.begun();
    // Whatever a damaged or partial index left is built afresh.
    if (Status dropped = runAll(database, dropStatements()); !dropped)
        return dropped;
    if (Status created = runAll(database, createStatements()); !created)
        return created;
    if (Status filled = fill(database, progress); !filled)
        return filled;
    return transaction.commit();
}

namespace {

// A server book has indexes of its own kind, which the server builds in one
// statement: on a large book the window says what the wait is for, with a
// bar that cannot count.
Status ensureOnServer(DbConnection& db, Dialogs& dialogs)
{
    const QSqlDatabase database = db.database();
    const auto column = ServerSearchIndex::hasFoldedColumn(database);
    const auto index = ServerSearchIndex::hasTrigramIndex(database);
    std::unique_ptr<Progress> progress;
    if (column && index && !(*column && *index)) {
        const auto entries = Sql::scalar(database, QStringLiteral("select count(*) from caixa"));
        if (entries && entries->toLongLong() > kQuietBuild) {
            progress = dialogs.progress(
                nullptr, tr("Livro de Caixa"),
                tr("Preparando a busca de lançamentos no servidor (feito uma única vez)..."));
            progress->setMaximum(0);
        }
    }
    return ServerSearchIndex::ensure(database);
}

} // namespace

Status ensure(DbConnection& db, Dialogs& dialogs)
{
    if (db.isServer())
        return ensureOnServer(db, dialogs);
    const auto present = exists(db);
    if (!present)
        return present.status();
    if (*present)
        return Status::success();
    const auto entries = Sql::scalar(db.database(), QStringLiteral("select count(*) from caixa"));
    if (!entries)
        return entries.status();
    if (entries->toLongLong() <= kQuietBuild) {
        SilentProgress quiet;
        return create(db, quiet);
    }
    const auto progress =
        dialogs.progress(nullptr, tr("Livro de Caixa"),
                         tr("Preparando a busca de lançamentos (feito uma única vez)..."));
    return create(db, *progress);
}

Status check(DbConnection& db)
{
    return Sql::exec(db.database(), QStringLiteral("insert into caixa_busca (caixa_busca, rank) "
                                                   "values ('integrity-check', 1)"));
}

} // namespace SearchIndex
