#include "core/ServerSearchIndex.h"

#include "core/Schema.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QSqlRecord>
#include <QtGlobal>

#include <atomic>

namespace ServerSearchIndex {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ServerSearchIndex", text);
}

const QString kColumn = QStringLiteral("busca");
const QString kTrigramIndex = QStringLiteral("caixa_busca_trgm");

// An amount is looked up among amounts received and among amounts paid out;
// an entry has one of the two, so each index leaves out the zeros.
const char* const kAmountIndexes[] = {
    "CREATE INDEX IF NOT EXISTS caixa_entrada ON caixa (entrada) WHERE entrada <> 0",
    "CREATE INDEX IF NOT EXISTS caixa_saida ON caixa (saida) WHERE saida <> 0",
};

// Words are split where SQLite's word index splits them: at anything that is
// not a letter or a digit.
const QString kWordsOnly = QStringLiteral("'[^[:alnum:]]+', ' ', 'g'");

// The schema an extension lives in, quoted for a statement; empty when the
// extension is not in the database.
Result<QString> schemaOf(const QSqlDatabase& db, const QString& extension)
{
    const auto schema = Sql::scalar(
        db,
        QStringLiteral("select quote_ident(n.nspname) from pg_catalog.pg_extension e join "
                       "pg_catalog.pg_namespace n on n.oid = e.extnamespace where e.extname = ?"),
        {extension});
    if (!schema)
        return schema.status();
    return schema->toString();
}

// The folding function, the column it fills and the index over it. The
// function names unaccent and its dictionary by their schema: an index
// expression must not depend on the search path of whoever writes.
Status createFolding(const QSqlDatabase& db)
{
    for (const char* extension : {"unaccent", "pg_trgm"}) {
        if (Status added = Sql::exec(db, QStringLiteral("CREATE EXTENSION IF NOT EXISTS ") +
                                             QString::fromLatin1(extension));
            !added)
            return added;
    }
    const auto unaccent = schemaOf(db, QStringLiteral("unaccent"));
    if (!unaccent)
        return unaccent.status();
    const auto trigrams = schemaOf(db, QStringLiteral("pg_trgm"));
    if (!trigrams)
        return trigrams.status();
    const auto dictionary = Sql::scalar(
        db, QStringLiteral("select quote_literal(?::text || '.unaccent')"), {*unaccent});
    if (!dictionary)
        return dictionary.status();
    // The body is bound at creation (a standard SQL body), and the server
    // computes the column on every insert and update, whoever writes.
    const QString statements[] = {
        QStringLiteral("CREATE OR REPLACE FUNCTION livro_caixa_busca(descricao text, ndoc text) "
                       "RETURNS text LANGUAGE sql IMMUTABLE PARALLEL SAFE RETURN ' ' || "
                       "regexp_replace(lower(%1.unaccent(%2::regdictionary, "
                       "coalesce(descricao, '') || ' ' || coalesce(ndoc, ''))), %3)")
            .arg(*unaccent, dictionary->toString(), kWordsOnly),
        QStringLiteral("ALTER TABLE caixa ADD COLUMN IF NOT EXISTS %1 text GENERATED ALWAYS AS "
                       "(livro_caixa_busca(descricao, ndoc)) STORED")
            .arg(kColumn),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON caixa USING gin (%2 %3.gin_trgm_ops)")
            .arg(kTrigramIndex, kColumn, *trigrams),
        // How often the words are, which decides between reading the newest
        // entries first and asking the index: known at once, not after the
        // server's next routine look at the table.
        QStringLiteral("ANALYZE caixa"),
    };
    for (const QString& statement : statements) {
        if (Status done = Sql::exec(db, statement); !done)
            return done;
    }
    return Status::success();
}

// Once a run: a start that upgrades the book tries twice (the upgrade, then
// the check at the opening), and says why once.
void logWithoutIndex(const QString& reason)
{
    static std::atomic_bool said{false};
    if (said.exchange(true))
        return;
    qWarning("%s", qPrintable(tr("Livro de Caixa: a busca de lançamentos deste livro no servidor "
                                 "funciona sem índice (mais lenta num livro grande): %1. Para "
                                 "criá-lo, o administrador do servidor executa, como "
                                 "superusuário, no banco de dados do livro: %2")
                                  .arg(reason, administratorCommand())));
}

// The folding is tried under a savepoint: a server that refuses it (no right
// to add an extension) leaves the rest of the caller's transaction intact.
Status tryFolding(const QSqlDatabase& db)
{
    if (Status saved = Sql::exec(db, QStringLiteral("SAVEPOINT livro_caixa_busca")); !saved)
        return saved;
    const Status folded = createFolding(db);
    if (folded)
        return Sql::exec(db, QStringLiteral("RELEASE SAVEPOINT livro_caixa_busca"));
    if (Status back = Sql::exec(db, QStringLiteral("ROLLBACK TO SAVEPOINT livro_caixa_busca"));
        !back)
        return back;
    logWithoutIndex(folded.reason());
    return Status::success();
}

// Whether the catalog holds a row for `name`; asked before every search,
// which the catalog answers fastest.
Result<bool> inCatalog(const QSqlDatabase& db, const QString& query, const QString& name)
{
    const auto found = Sql::scalar(db, query, {name});
    if (!found)
        return found.status();
    return found->toLongLong() > 0;
}

} // namespace

QString administratorCommand()
{
    return QStringLiteral(
        "CREATE EXTENSION IF NOT EXISTS unaccent; CREATE EXTENSION IF NOT EXISTS pg_trgm;");
}

Status create(const QSqlDatabase& db)
{
    for (const char* statement : kAmountIndexes) {
        if (Status done = Sql::exec(db, QString::fromLatin1(statement)); !done)
            return done;
    }
    return tryFolding(db);
}

Status ensure(const QSqlDatabase& db)
{
    const auto column = hasFoldedColumn(db);
    if (!column)
        return column.status();
    const auto index = hasTrigramIndex(db);
    if (!index)
        return index.status();
    if (*column && *index)
        return Status::success();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    // Another desk opening the book at the same moment waits, then finds
    // the work done.
    Status created = Schema::lockForChange(db);
    if (created)
        created = create(db);
    if (created)
        created = transaction.commit();
    // The search works without them (a desk whose user may not change the
    // tables, say): the log tells why, and the next start tries again.
    if (!created)
        logWithoutIndex(created.reason());
    return Status::success();
}

Result<bool> hasFoldedColumn(const QSqlDatabase& db)
{
    return inCatalog(db,
                     QStringLiteral("select count(*) from pg_catalog.pg_attribute where "
                                    "attrelid = 'caixa'::regclass and attname = ? and "
                                    "not attisdropped"),
                     kColumn);
}

Result<bool> hasTrigramIndex(const QSqlDatabase& db)
{
    return inCatalog(db,
                     QStringLiteral("select count(*) from pg_catalog.pg_indexes where "
                                    "schemaname = current_schema() and tablename = 'caixa' and "
                                    "indexname = ?"),
                     kTrigramIndex);
}

QString foldedText(const QString& alias, bool hasColumn)
{
    if (hasColumn)
        return alias + u'.' + kColumn;
    return QStringLiteral(
               "(' ' || regexp_replace(translate(lower(coalesce(%1.descricao, '') || ' ' || "
               "coalesce(%1.ndoc, '')), 'áàâãäéèêëíìîïóòôõöúùûüçñÁÀÂÃÄÉÈÊËÍÌÎÏÓÒÔÕÖÚÙÛÜÇÑ', "
               "'aaaaaeeeeiiiiooooouuuucnaaaaaeeeeiiiiooooouuuucn'), %2))")
        .arg(alias, kWordsOnly);
}

} // namespace ServerSearchIndex
