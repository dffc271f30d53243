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
    if (Status created = execAll(db, kCreateStatements); !created)
        return created;
    if (Status created = execAll(db, kIndexStatements); !created)
        return created;
    if (Status created = SchemaVersion::applySteps(db, 0); !created)
        return created;
    return transaction.commit();
}

Status ensureIndexes(const QSqlDatabase& db)
{
    return execAll(db, kIndexStatements);
}

Status createVersionTable(const QSqlDatabase& db)
{
    return Sql::exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version "
                                        "(version INTEGER NOT NULL)"));
}

Status createDayTotals(const QSqlDatabase& db)
{
    if (Status created = execAll(db, kDayTotalStatements); !created)
        return created;
    return createDayTotalTriggers(db);
}

Status createClosingsAndLog(const QSqlDatabase& db)
{
    return execAll(db, kClosingsAndLogStatements);
}

Status createDayTotalTriggers(const QSqlDatabase& db)
{
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
