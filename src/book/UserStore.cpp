#include "book/UserStore.h"

#include "book/PasswordHash.h"
#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Fields.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QSqlRecord>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("UserStore", text);
}

bool hasRestrictedColumn(DbConnection& db)
{
    return db.database().record(QStringLiteral("usuarios")).indexOf(QStringLiteral("restrito")) >=
           0;
}

UserStore::User userFrom(const QSqlQuery& q)
{
    const QSqlRecord record = q.record();
    const auto text = [&](const char* column) {
        return FieldText(q.value(QString::fromLatin1(column)));
    };
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

QString UserStore::normalizedPassword(const QString& typed)
{
    return typed.trimmed().toLower();
}

Result<QList<UserStore::Listed>> UserStore::listByLogin() const
{
    auto q = Sql::run(m_db.database(),
                      QStringLiteral("select id, usuario from usuarios order by usuario"));
    if (!q)
        return q.status();
    QList<Listed> users;
    while (q->next())
        users.append({q->value(0).toLongLong(), q->value(1).toString()});
    return users;
}

Result<std::optional<UserStore::User>> UserStore::find(const QString& usuario) const
{
    auto q =
        Sql::run(m_db.database(),
                 QStringLiteral("select * from usuarios where usuario = ? order by id"), {usuario});
    if (!q)
        return q.status();
    if (!q->next())
        return std::optional<User>();
    return std::optional<User>(userFrom(*q));
}

Status UserStore::save(const NewUser& user)
{
    // Older books lack the restricted flag: it is added before the first save.
    if (!hasRestrictedColumn(m_db) &&
        !EnsureColumn(m_db, QStringLiteral("usuarios"), QStringLiteral("restrito"),
                      QStringLiteral("Bit")))
        return Status::failure(
            tr("não foi possível acrescentar a coluna restrito à tabela de usuários"));
    return write(user);
}

Status UserStore::write(const NewUser& user)
{
    const QString senha = PasswordHash::hash(normalizedPassword(user.senha));
    if (senha.isEmpty())
        return Status::failure(tr("não foi possível proteger a senha (memória insuficiente)"));
    const QVariant resposta = secretHash(normalizedAnswer(user.resposta));
    const auto existing = find(user.usuario);
    if (!existing)
        return existing.status();
    QVariantList values{user.nome,     user.usuario, senha,     user.restrito ? 1 : 0,
                        user.pergunta, resposta,     user.dica, user.email};
    if (*existing) {
        values.append((*existing)->id);
        return Sql::exec(
            m_db.database(),
            QStringLiteral("update usuarios set nome = ?, usuario = ?, senha = ?, restrito = ?, "
                           "pergunta = ?, resposta = ?, dica = ?, email = ? where id = ?"),
            values);
    }
    return Sql::exec(
        m_db.database(),
        QStringLiteral("insert into usuarios (nome, usuario, senha, restrito, pergunta, resposta, "
                       "dica, email) values (?, ?, ?, ?, ?, ?, ?, ?)"),
        values);
}

Status UserStore::remove(qint64 id)
{
    return Sql::exec(m_db.database(), QStringLiteral("delete from usuarios where id = ?"), {id});
}

Result<bool> UserStore::hasCommonLevelUser() const
{
    const QString sql =
        hasRestrictedColumn(m_db)
            ? QStringLiteral(
                  "select 1 from usuarios where restrito is null or restrito = 0 limit 1")
            : QStringLiteral("select 1 from usuarios limit 1");
    const auto found = Sql::scalar(m_db.database(), sql);
    if (!found)
        return found.status();
    return !found->isNull();
}

Result<std::optional<UserStore::User>> UserStore::logIn(const QString& usuario,
                                                        const QString& senha) const
{
    auto q =
        Sql::run(m_db.database(),
                 QStringLiteral("select * from usuarios where usuario = ? order by id"), {usuario});
    if (!q)
        return q.status();
    if (!q->next() || !PasswordHash::verify(q->value(QStringLiteral("senha")).toString(),
                                            normalizedPassword(senha)))
        return std::optional<User>();
    return std::optional<User>(userFrom(*q));
}

Result<UserStore::AnswerCheck> UserStore::checkAnswer(const QString& usuario,
                                                      const QString& answer) const
{
    auto q = Sql::run(
        m_db.database(),
        QStringLiteral("select resposta, dica from usuarios where usuario = ? order by id"),
        {usuario});
    if (!q)
        return q.status();
    if (!q->next())
        return AnswerCheck{Answer::NoSuchUser, QString()};
    const QString stored = q->value(0).toString();
    // Answers written before hashing are compared as the reminder always did.
    const QString candidate = normalizedAnswer(answer);
    const bool accepted = PasswordHash::isHash(stored) ? PasswordHash::verify(stored, candidate)
                                                       : !stored.trimmed().isEmpty() &&
                                                             normalizedAnswer(stored) == candidate;
    if (!accepted)
        return AnswerCheck{Answer::Refused, QString()};
    return AnswerCheck{Answer::Accepted, FieldText(q->value(1))};
}
