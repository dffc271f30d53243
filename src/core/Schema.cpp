#include "core/Schema.h"

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

} // namespace

Status create(const QSqlDatabase& db)
{
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    for (const char* statement : kCreateStatements) {
        if (Status created = Sql::exec(db, QString::fromLatin1(statement)); !created)
            return created;
    }
    for (const char* statement : kIndexStatements) {
        if (Status created = Sql::exec(db, QString::fromLatin1(statement)); !created)
            return created;
    }
    return transaction.commit();
}

Status ensureIndexes(const QSqlDatabase& db)
{
    for (const char* statement : kIndexStatements) {
        if (Status created = Sql::exec(db, QString::fromLatin1(statement)); !created)
            return created;
    }
    return Status::success();
}

} // namespace Schema
