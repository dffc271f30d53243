#include "core/Schema.h"

#include "core/SchemaVersion.h"
#include "core/Sql.h"
#include "core/Transaction.h"

namespace Schema {

QStringList tableNames()
{
    return {QStringLiteral("caixa"), QStringLiteral("contas"), QStringLiteral("saldos"),
            QStringLiteral("opcoes"), QStringLiteral("usuarios")};
}

QStringList originalColumns(const QString& table)
{
    if (table == u"caixa")
        return {QStringLiteral("id"),   QStringLiteral("idconta"),   QStringLiteral("data"),
                QStringLiteral("hora"), QStringLiteral("descricao"), QStringLiteral("entrada"),
                QStringLiteral("saida")};
    if (table == u"contas")
        return {QStringLiteral("id"), QStringLiteral("descricao"), QStringLiteral("saldo")};
    if (table == u"saldos")
        return {QStringLiteral("data"), QStringLiteral("saldo")};
    if (table == u"opcoes")
        return {QStringLiteral("lembrar"),         QStringLiteral("susuario"),
                QStringLiteral("usuario"),         QStringLiteral("corfundoentrada"),
                QStringLiteral("corletraentrada"), QStringLiteral("corfundosaida"),
                QStringLiteral("corletrasaida"),   QStringLiteral("bkpautomatico"),
                QStringLiteral("qtdarquivosbkp")};
    if (table == u"usuarios")
        return {QStringLiteral("id"),       QStringLiteral("usuario"), QStringLiteral("nome"),
                QStringLiteral("senha"),    QStringLiteral("email"),   QStringLiteral("dica"),
                QStringLiteral("pergunta"), QStringLiteral("resposta")};
    return {};
}

QStringList lateColumns(const QString& table)
{
    if (table == u"caixa")
        return {QStringLiteral("ndoc")};
    if (table == u"opcoes")
        return {QStringLiteral("moeda"), QStringLiteral("indioma")};
    if (table == u"usuarios")
        return {QStringLiteral("restrito")};
    return {};
}

namespace {

// Money columns hold ten-thousandths as integers; dates and times are ISO
// text; yes/no columns are 0/1.
const char* const kCreateStatements[] = {
    "CREATE TABLE caixa (id INTEGER PRIMARY KEY AUTOINCREMENT, idconta INTEGER, data TEXT, "
    "hora TEXT, ndoc VARCHAR(255), descricao TEXT, entrada INTEGER, saida INTEGER)",
    "CREATE TABLE contas (id INTEGER PRIMARY KEY AUTOINCREMENT, descricao VARCHAR(60), "
    "saldo INTEGER)",
    "CREATE TABLE saldos (data TEXT, saldo INTEGER)",
    "CREATE TABLE opcoes (lembrar INTEGER, susuario INTEGER, usuario VARCHAR(50), "
    "corfundoentrada VARCHAR(50), corletraentrada VARCHAR(50), corfundosaida VARCHAR(50), "
    "corletrasaida VARCHAR(50), bkpautomatico INTEGER, qtdarquivosbkp INTEGER, "
    "moeda VARCHAR(20), indioma VARCHAR(20))",
    "CREATE TABLE usuarios (id INTEGER PRIMARY KEY AUTOINCREMENT, usuario VARCHAR(50), "
    "nome VARCHAR(50), senha TEXT, email VARCHAR(60), dica VARCHAR(50), pergunta TEXT, "
    "resposta TEXT, restrito INTEGER)",
};

// The grid reads a period in (data, hora, id) order; the balances sum a day
// or the days before a cut-off, for all accounts or for one.
const char* const kIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS caixa_data_hora ON caixa (data, hora)",
    "CREATE INDEX IF NOT EXISTS caixa_data_valores ON caixa (data, entrada, saida)",
    "CREATE INDEX IF NOT EXISTS caixa_conta ON caixa (idconta, data, entrada, saida)",
    "CREATE INDEX IF NOT EXISTS saldos_data ON saldos (data)",
    "CREATE INDEX IF NOT EXISTS contas_descricao ON contas (descricao)",
    "CREATE INDEX IF NOT EXISTS usuarios_usuario ON usuarios (usuario)",
};

// Day and account are the key, so the totals of a day, or of the days before
// a cut-off, are read in key order; an account's days have an index of their
// own. Entries without an account count under account 0.
const char* const kDayTotalStatements[] = {
    "CREATE TABLE day_totals (data TEXT NOT NULL, idconta INTEGER NOT NULL, "
    "entrada INTEGER NOT NULL, saida INTEGER NOT NULL, entry_count INTEGER NOT NULL, "
    "PRIMARY KEY (data, idconta)) WITHOUT ROWID",
    "CREATE INDEX day_totals_conta ON day_totals (idconta, data, entrada, saida)",
};

// What an entry ("row": NEW or OLD) adds to its day's totals, and takes away
// again; the stored day figure of "saldos" moves with it, so a refresh after
// a save finds it already right and writes nothing.
const char kAddEntry[] =
    "INSERT INTO day_totals (data, idconta, entrada, saida, entry_count) "
    "VALUES (row.data, coalesce(row.idconta, 0), coalesce(row.entrada, 0), "
    "coalesce(row.saida, 0), 1) "
    "ON CONFLICT (data, idconta) DO UPDATE SET entrada = entrada + excluded.entrada, "
    "saida = saida + excluded.saida, entry_count = entry_count + 1; "
    "UPDATE saldos SET saldo = saldo + coalesce(row.entrada, 0) - coalesce(row.saida, 0) "
    "WHERE data = row.data;";
const char kRemoveEntry[] =
    "UPDATE day_totals SET entrada = entrada - coalesce(row.entrada, 0), "
    "saida = saida - coalesce(row.saida, 0), entry_count = entry_count - 1 "
    "WHERE data = row.data AND idconta = coalesce(row.idconta, 0); "
    "DELETE FROM day_totals WHERE data = row.data AND idconta = coalesce(row.idconta, 0) "
    "AND entry_count <= 0; "
    "UPDATE saldos SET saldo = saldo - coalesce(row.entrada, 0) + coalesce(row.saida, 0) "
    "WHERE data = row.data;";

// The engine's own words for an id it numbers itself, in the tables of
// later versions: the one engine-specific text of their definitions.
#define LIVRO_AUTO_ID "INTEGER PRIMARY KEY AUTOINCREMENT"

// Money as BIGINT ten-thousandths; days, and moments "yyyy-MM-dd HH:mm:ss",
// as text.
const char* const kClosingsAndLogStatements[] = {
    "CREATE TABLE closings (id " LIVRO_AUTO_ID ", data TEXT NOT NULL, "
    "computed BIGINT NOT NULL, counted BIGINT NOT NULL, difference BIGINT NOT NULL, "
    "entry_id INTEGER, closed_by TEXT NOT NULL, closed_at TEXT NOT NULL, "
    "closed_on TEXT NOT NULL, reopened_by TEXT, reopened_at TEXT, reopened_on TEXT, "
    "reopen_reason TEXT)",
    // Two desks closing one day at once close it once.
    "CREATE UNIQUE INDEX closings_open_day ON closings (data) WHERE reopened_at IS NULL",
    "CREATE TABLE change_log (id " LIVRO_AUTO_ID ", changed_at TEXT NOT NULL, "
    "user_name TEXT NOT NULL, computer TEXT NOT NULL, kind TEXT NOT NULL, "
    "table_name TEXT NOT NULL, row_key TEXT NOT NULL, before_values TEXT, after_values TEXT)",
    "CREATE INDEX change_log_changed_at ON change_log (changed_at)",
    // Whatever program writes the book: a closing is only ever reopened,
    // once; the log only grows.
    "CREATE TRIGGER closings_kept BEFORE DELETE ON closings "
    "BEGIN SELECT RAISE(ABORT, 'um fechamento de caixa nunca é excluído'); END",
    "CREATE TRIGGER closings_reopened_once BEFORE UPDATE ON closings "
    "WHEN OLD.reopened_at IS NOT NULL OR NEW.data IS NOT OLD.data "
    "OR NEW.computed IS NOT OLD.computed OR NEW.counted IS NOT OLD.counted "
    "OR NEW.difference IS NOT OLD.difference OR NEW.closed_by IS NOT OLD.closed_by "
    "OR NEW.closed_at IS NOT OLD.closed_at OR NEW.closed_on IS NOT OLD.closed_on "
    "OR NEW.entry_id IS NOT OLD.entry_id "
    "BEGIN SELECT RAISE(ABORT, 'um fechamento de caixa só pode ser reaberto'); END",
    "CREATE TRIGGER change_log_kept_update BEFORE UPDATE ON change_log "
    "BEGIN SELECT RAISE(ABORT, 'o histórico de alterações não é alterado'); END",
    "CREATE TRIGGER change_log_kept_delete BEFORE DELETE ON change_log "
    "BEGIN SELECT RAISE(ABORT, 'o histórico de alterações não é alterado'); END",
};

#undef LIVRO_AUTO_ID

// The same tables on the server: ids from identity columns, and the rules
// that keep closings and the log in trigger functions.
const char* const kServerClosingsAndLogStatements[] = {
    "CREATE TABLE closings (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
    "data TEXT NOT NULL, computed BIGINT NOT NULL, counted BIGINT NOT NULL, "
    "difference BIGINT NOT NULL, entry_id BIGINT, closed_by TEXT NOT NULL, "
    "closed_at TEXT NOT NULL, closed_on TEXT NOT NULL, reopened_by TEXT, reopened_at TEXT, "
    "reopened_on TEXT, reopen_reason TEXT)",
    "CREATE UNIQUE INDEX closings_open_day ON closings (data) WHERE reopened_at IS NULL",
    "CREATE TABLE change_log (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
    "changed_at TEXT NOT NULL, user_name TEXT NOT NULL, computer TEXT NOT NULL, "
    "kind TEXT NOT NULL, table_name TEXT NOT NULL, row_key TEXT NOT NULL, "
    "before_values TEXT, after_values TEXT)",
    "CREATE INDEX change_log_changed_at ON change_log (changed_at)",
    "CREATE OR REPLACE FUNCTION closings_kept() RETURNS trigger LANGUAGE plpgsql AS $$ "
    "BEGIN "
    "IF TG_OP = 'DELETE' THEN "
    "RAISE EXCEPTION 'um fechamento de caixa nunca é excluído'; END IF; "
    "IF OLD.reopened_at IS NOT NULL OR NEW.data IS DISTINCT FROM OLD.data "
    "OR NEW.computed IS DISTINCT FROM OLD.computed OR NEW.counted IS DISTINCT FROM OLD.counted "
    "OR NEW.difference IS DISTINCT FROM OLD.difference "
    "OR NEW.closed_by IS DISTINCT FROM OLD.closed_by "
    "OR NEW.closed_at IS DISTINCT FROM OLD.closed_at "
    "OR NEW.closed_on IS DISTINCT FROM OLD.closed_on "
    "OR NEW.entry_id IS DISTINCT FROM OLD.entry_id THEN "
    "RAISE EXCEPTION 'um fechamento de caixa só pode ser reaberto'; END IF; "
    "RETURN NEW; END $$",
    "CREATE TRIGGER closings_kept BEFORE UPDATE OR DELETE ON closings "
    "FOR EACH ROW EXECUTE FUNCTION closings_kept()",
    "CREATE OR REPLACE FUNCTION change_log_kept() RETURNS trigger LANGUAGE plpgsql AS $$ "
    "BEGIN RAISE EXCEPTION 'o histórico de alterações não é alterado'; END $$",
    "CREATE TRIGGER change_log_kept BEFORE UPDATE OR DELETE ON change_log "
    "FOR EACH ROW EXECUTE FUNCTION change_log_kept()",
};

struct Trigger
{
    const char* name;
    const char* when; // the event, and the row whose day it concerns
    const char* body;
    const char* row;
};

// An edit takes the entry off its old day and account and adds it to the new
// ones; an edit that changes none of the summed columns changes nothing.
const Trigger kDayTotalTriggers[] = {
    {"caixa_totals_insert", "AFTER INSERT ON caixa WHEN NEW.data IS NOT NULL", kAddEntry, "NEW"},
    {"caixa_totals_delete", "AFTER DELETE ON caixa WHEN OLD.data IS NOT NULL", kRemoveEntry, "OLD"},
    {"caixa_totals_update_old",
     "AFTER UPDATE OF data, idconta, entrada, saida ON caixa WHEN OLD.data IS NOT NULL",
     kRemoveEntry, "OLD"},
    {"caixa_totals_update_new",
     "AFTER UPDATE OF data, idconta, entrada, saida ON caixa WHEN NEW.data IS NOT NULL", kAddEntry,
     "NEW"},
};

QString triggerStatement(const Trigger& t)
{
    QString body = QString::fromLatin1(t.body);
    body.replace(QStringLiteral("row."), QString::fromLatin1(t.row) + u'.');
    return QStringLiteral("CREATE TRIGGER %1 %2 BEGIN %3 END")
        .arg(QString::fromLatin1(t.name), QString::fromLatin1(t.when), body);
}

// The same tables on a PostgreSQL server. Ids come from the engine and may
// also be given (a book copied to the server keeps its ids); "saldos" holds
// one figure per day, which its unique index guarantees to every desk.
const char* const kServerCreateStatements[] = {
    "CREATE TABLE caixa (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
    "idconta BIGINT, data TEXT, hora TEXT, ndoc VARCHAR(255), descricao TEXT, entrada BIGINT, "
    "saida BIGINT)",
    "CREATE TABLE contas (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
    "descricao VARCHAR(60), saldo BIGINT)",
    "CREATE TABLE saldos (data TEXT, saldo BIGINT)",
    "CREATE TABLE opcoes (lembrar INTEGER, susuario INTEGER, usuario VARCHAR(50), "
    "corfundoentrada VARCHAR(50), corletraentrada VARCHAR(50), corfundosaida VARCHAR(50), "
    "corletrasaida VARCHAR(50), bkpautomatico INTEGER, qtdarquivosbkp INTEGER, "
    "moeda VARCHAR(20), indioma VARCHAR(20))",
    "CREATE TABLE usuarios (id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
    "usuario VARCHAR(50), nome VARCHAR(50), senha TEXT, email VARCHAR(60), dica VARCHAR(50), "
    "pergunta TEXT, resposta TEXT, restrito INTEGER)",
};

const char* const kServerIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS caixa_data_hora ON caixa (data, hora, id)",
    "CREATE INDEX IF NOT EXISTS caixa_data_valores ON caixa (data, entrada, saida)",
    "CREATE INDEX IF NOT EXISTS caixa_conta ON caixa (idconta, data, entrada, saida)",
    "CREATE UNIQUE INDEX IF NOT EXISTS saldos_data ON saldos (data)",
    "CREATE INDEX IF NOT EXISTS contas_descricao ON contas (descricao)",
    "CREATE INDEX IF NOT EXISTS usuarios_usuario ON usuarios (usuario)",
};

const char* const kServerDayTotalStatements[] = {
    "CREATE TABLE day_totals (data TEXT NOT NULL, idconta BIGINT NOT NULL, "
    "entrada BIGINT NOT NULL, saida BIGINT NOT NULL, entry_count BIGINT NOT NULL, "
    "PRIMARY KEY (data, idconta))",
    "CREATE INDEX day_totals_conta ON day_totals (idconta, data, entrada, saida)",
};

// The server's triggers do what the file's do, in one function per table;
// the insert into day_totals is an upsert, so two desks adding the first
// entries of a day at once both count. Each change of the entries or the
// accounts is also announced ("livro_caixa"), so other desks refresh.
const char* const kServerTriggerStatements[] = {
    "CREATE OR REPLACE FUNCTION caixa_day_totals() RETURNS trigger LANGUAGE plpgsql AS $$ "
    "BEGIN "
    "IF TG_OP IN ('DELETE', 'UPDATE') AND OLD.data IS NOT NULL THEN "
    "UPDATE day_totals SET entrada = entrada - coalesce(OLD.entrada, 0), "
    "saida = saida - coalesce(OLD.saida, 0), entry_count = entry_count - 1 "
    "WHERE data = OLD.data AND idconta = coalesce(OLD.idconta, 0); "
    "DELETE FROM day_totals WHERE data = OLD.data AND idconta = coalesce(OLD.idconta, 0) "
    "AND entry_count <= 0; "
    "UPDATE saldos SET saldo = saldo - coalesce(OLD.entrada, 0) + coalesce(OLD.saida, 0) "
    "WHERE data = OLD.data; "
    "END IF; "
    "IF TG_OP IN ('INSERT', 'UPDATE') AND NEW.data IS NOT NULL THEN "
    "INSERT INTO day_totals AS t (data, idconta, entrada, saida, entry_count) "
    "VALUES (NEW.data, coalesce(NEW.idconta, 0), coalesce(NEW.entrada, 0), "
    "coalesce(NEW.saida, 0), 1) "
    "ON CONFLICT (data, idconta) DO UPDATE SET entrada = t.entrada + excluded.entrada, "
    "saida = t.saida + excluded.saida, entry_count = t.entry_count + 1; "
    "UPDATE saldos SET saldo = saldo + coalesce(NEW.entrada, 0) - coalesce(NEW.saida, 0) "
    "WHERE data = NEW.data; "
    "END IF; "
    "RETURN NULL; "
    "END $$",
    "CREATE OR REPLACE FUNCTION livro_caixa_changed() RETURNS trigger LANGUAGE plpgsql AS $$ "
    "BEGIN PERFORM pg_notify('livro_caixa', TG_TABLE_NAME); RETURN NULL; END $$",
    "DROP TRIGGER IF EXISTS caixa_totals ON caixa",
    "CREATE TRIGGER caixa_totals AFTER INSERT OR DELETE OR UPDATE OF data, idconta, entrada, "
    "saida ON caixa FOR EACH ROW EXECUTE FUNCTION caixa_day_totals()",
    "DROP TRIGGER IF EXISTS caixa_changed ON caixa",
    "CREATE TRIGGER caixa_changed AFTER INSERT OR DELETE OR UPDATE ON caixa "
    "FOR EACH STATEMENT EXECUTE FUNCTION livro_caixa_changed()",
    "DROP TRIGGER IF EXISTS contas_changed ON contas",
    "CREATE TRIGGER contas_changed AFTER INSERT OR DELETE OR UPDATE ON contas "
    "FOR EACH STATEMENT EXECUTE FUNCTION livro_caixa_changed()",
};

template <std::size_t N> Status execAll(const QSqlDatabase& db, const char* const (&statements)[N])
{
    for (const char* statement : statements) {
        if (Status done = Sql::exec(db, QString::fromUtf8(statement)); !done)
            return done;
    }
    return Status::success();
}

} // namespace

Status create(const QSqlDatabase& db)
{
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Sql::isServer(db)) {
        // Two desks that find the same empty database: the second waits,
        // then finds the tables the first made.
        if (Status locked = lockForChange(db); !locked)
            return locked;
        const auto made =
            Sql::scalar(db, QStringLiteral("select to_regclass('caixa') is not null"));
        if (!made)
            return made.status();
        if (made->toBool())
            return transaction.commit();
    }
    if (Status created = Sql::isServer(db) ? execAll(db, kServerCreateStatements)
                                           : execAll(db, kCreateStatements);
        !created)
        return created;
    if (Status created = ensureIndexes(db); !created)
        return created;
    if (Status created = SchemaVersion::applySteps(db, 0); !created)
        return created;
    return transaction.commit();
}

Status ensureIndexes(const QSqlDatabase& db)
{
    return Sql::isServer(db) ? execAll(db, kServerIndexStatements) : execAll(db, kIndexStatements);
}

Status lockForChange(const QSqlDatabase& db)
{
    if (!Sql::isServer(db))
        return Status::success(); // a file book has one program at a time
    return Sql::exec(db, QStringLiteral("select pg_advisory_xact_lock(7215032026)"));
}

Status setIdsPastRows(const QSqlDatabase& db)
{
    if (!Sql::isServer(db))
        return Status::success();
    for (const char* table : {"caixa", "contas", "usuarios", "closings", "change_log"}) {
        // The table names are the program's own.
        if (Status set =
                Sql::exec(db, QStringLiteral("select setval(pg_get_serial_sequence('%1', 'id'), "
                                             "coalesce(max(id), 0) + 1, false) from %1")
                                  .arg(QString::fromLatin1(table)));
            !set)
            return set;
    }
    return Status::success();
}

Result<qint64> serverTableCount(const QSqlDatabase& db)
{
    const auto count = Sql::scalar(db, QStringLiteral("select count(*) from pg_catalog.pg_tables "
                                                      "where schemaname = current_schema()"));
    if (!count)
        return count.status();
    return count->toLongLong();
}

Status createVersionTable(const QSqlDatabase& db)
{
    return Sql::exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version "
                                        "(version INTEGER NOT NULL)"));
}

Status createDayTotals(const QSqlDatabase& db)
{
    if (Status created = Sql::isServer(db) ? execAll(db, kServerDayTotalStatements)
                                           : execAll(db, kDayTotalStatements);
        !created)
        return created;
    return createDayTotalTriggers(db);
}

Status createClosingsAndLog(const QSqlDatabase& db)
{
    return Sql::isServer(db) ? execAll(db, kServerClosingsAndLogStatements)
                             : execAll(db, kClosingsAndLogStatements);
}

Status createDayTotalTriggers(const QSqlDatabase& db)
{
    if (Sql::isServer(db))
        return execAll(db, kServerTriggerStatements);
    for (const Trigger& trigger : kDayTotalTriggers) {
        if (Status dropped = Sql::exec(db, QStringLiteral("DROP TRIGGER IF EXISTS ") +
                                               QString::fromLatin1(trigger.name));
            !dropped)
            return dropped;
        if (Status created = Sql::exec(db, triggerStatement(trigger)); !created)
            return created;
    }
    return Status::success();
}

Result<bool> hasDayTotalTriggers(const QSqlDatabase& db)
{
    if (Sql::isServer(db)) {
        const auto found = Sql::scalar(
            db, QStringLiteral("select count(*) from pg_catalog.pg_trigger where not tgisinternal "
                               "and tgname in ('caixa_totals', 'caixa_changed', 'contas_changed') "
                               "and tgenabled <> 'D'"));
        if (!found)
            return found.status();
        return found->toInt() == 3;
    }
    const auto found = Sql::scalar(
        db,
        QStringLiteral("select count(*) from sqlite_master where type = 'trigger' and tbl_name = "
                       "'caixa' and name in (?, ?, ?, ?)"),
        {QString::fromLatin1(kDayTotalTriggers[0].name),
         QString::fromLatin1(kDayTotalTriggers[1].name),
         QString::fromLatin1(kDayTotalTriggers[2].name),
         QString::fromLatin1(kDayTotalTriggers[3].name)});
    if (!found)
        return found.status();
    return found->toInt() == int(std::size(kDayTotalTriggers));
}

} // namespace Schema
