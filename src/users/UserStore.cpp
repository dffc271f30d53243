#include "users/UserStore.h"

#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Fields.h"
#include "core/Transaction.h"
#include "users/PasswordHash.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("UserStore", text);
}

bool hasRestrictedColumn(DbConnection& db)
{
    return db.database().record(QStringLiteral("usuarios")).indexOf(QStringLiteral("restrito")) >= 0;
}

UserStore::User userFrom(const QSqlQuery& q)
{
    const QSqlRecord record = q.record();
    const auto text = [&](const char* column) { return FieldText(q.value(QString::fromLatin1(column))); };
    UserStore::User user;
    user.id = q.value(QStringLiteral("id")).toLongLong();
    user.usuario = text("usuario");
    user.nome = text("nome");
    user.email = text("email");
    user.pergunta = text("pergunta");
    user.dica = text("dica");
    const int restrito = record.indexOf(QStringLiteral("restrito"));
    user.restrito = restrito >= 0 && q.value(restrito).toBool();
    return user;
}

QVariant secretHash(const QString& secret)
{
    if (secret.isEmpty())
        return QVariant(QMetaType(QMetaType::QString));
    return PasswordHash::hash(secret);
}

} // namespace

UserStore::UserStore(DbConnection& db) : m_db(db) {}

QString UserStore::normalizedAnswer(const QString& typed)
{
    return typed.trimmed().toLower();
}

std::optional<QList<UserStore::Listed>> UserStore::listByLogin() const
{
    QSqlQuery q(m_db.database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select id, usuario from usuarios order by usuario")))
        return std::nullopt;
    QList<Listed> users;
    while (q.next())
        users.append({q.value(0).toLongLong(), q.value(1).toString()});
    return users;
}

std::optional<UserStore::User> UserStore::find(const QString& usuario) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select * from usuarios where usuario = ? order by id"));
    q.addBindValue(usuario);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return userFrom(q);
}

Status UserStore::save(const NewUser& user)
{
    // Older books lack the restricted flag: it is added before the first save.
    if (!hasRestrictedColumn(m_db)
        && !EnsureColumn(m_db, QStringLiteral("usuarios"), QStringLiteral("restrito"), QStringLiteral("Bit")))
        return Status::failure(tr("não foi possível acrescentar a coluna restrito à tabela de usuários"));
    return write(user);
}

Status UserStore::write(const NewUser& user)
{
    const QString senha = PasswordHash::hash(user.senha);
    if (senha.isEmpty())
        return Status::failure(tr("não foi possível proteger a senha (memória insuficiente)"));
    const QVariant resposta = secretHash(normalizedAnswer(user.resposta));
    const auto existing = find(user.usuario);
    QSqlQuery q(m_db.database());
    if (existing) {
        q.prepare(QStringLiteral("update usuarios set nome = ?, usuario = ?, senha = ?, restrito = ?, pergunta = ?, "
                                 "resposta = ?, dica = ?, email = ? where id = ?"));
    } else {
        q.prepare(QStringLiteral("insert into usuarios (nome, usuario, senha, restrito, pergunta, resposta, dica, email) "
                                 "values (?, ?, ?, ?, ?, ?, ?, ?)"));
    }
    for (const QVariant& v : {QVariant(user.nome), QVariant(user.usuario), QVariant(senha), QVariant(user.restrito ? 1 : 0),
                              QVariant(user.pergunta), resposta, QVariant(user.dica), QVariant(user.email)})
        q.addBindValue(v);
    if (existing)
        q.addBindValue(existing->id);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    return Status::success();
}

Status UserStore::remove(qint64 id)
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("delete from usuarios where id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return Status::failure(q.lastError().text());
    return Status::success();
}

std::optional<bool> UserStore::hasCommonLevelUser() const
{
    QSqlQuery q(m_db.database());
    const QString sql = hasRestrictedColumn(m_db)
        ? QStringLiteral("select 1 from usuarios where restrito is null or restrito = 0 limit 1")
        : QStringLiteral("select 1 from usuarios limit 1");
    if (!q.exec(sql))
        return std::nullopt;
    return q.next();
}

std::optional<UserStore::User> UserStore::logIn(const QString& usuario, const QString& senha) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select * from usuarios where usuario = ? order by id"));
    q.addBindValue(usuario);
    if (!q.exec() || !q.next())
        return std::nullopt;
    if (!PasswordHash::verify(q.value(QStringLiteral("senha")).toString(), senha))
        return std::nullopt;
    return userFrom(q);
}

UserStore::Answer UserStore::checkAnswer(const QString& usuario, const QString& answer, QString* dica) const
{
    QSqlQuery q(m_db.database());
    q.prepare(QStringLiteral("select resposta, dica from usuarios where usuario = ? order by id"));
    q.addBindValue(usuario);
    if (!q.exec() || !q.next())
        return Answer::NoSuchUser;
    const QString stored = q.value(0).toString();
    // Answers written before hashing are compared as the reminder always did.
    const QString candidate = normalizedAnswer(answer);
    const bool accepted = PasswordHash::isHash(stored) ? PasswordHash::verify(stored, candidate)
                                                       : !stored.trimmed().isEmpty() && normalizedAnswer(stored) == candidate;
    if (!accepted)
        return Answer::Refused;
    if (dica)
        *dica = FieldText(q.value(1));
    return Answer::Accepted;
}
