#include "book/UserStore.h"

#include "book/PasswordHash.h"
#include "core/ChangeLog.h"
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

// A user as the change log shows one, without the secrets.
ChangeLog::Values valuesOf(const UserStore::User& user)
{
    ChangeLog::Values values;
    values.add(tr("Usuário"), user.usuario)
        .add(tr("Nome"), user.nome)
        .add(tr("E-mail"), user.email)
        .add(tr("Pergunta secreta"), user.pergunta)
        .add(tr("Nível"), user.restrito ? tr("restrito") : tr("comum"));
    return values;
}

// Whether a stored answer (a hash, text written before hashing, or none)
// is the typed one.
bool sameSecret(const QString& stored, const QString& typed)
{
    if (stored.isEmpty() || typed.isEmpty())
        return stored.isEmpty() == typed.isEmpty();
    return PasswordHash::verify(stored, typed);
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
    Transaction transaction(m_db.database());
    if (!transaction.begun())
        return transaction.begun();
    const auto existing = find(user.usuario);
    if (!existing)
        return existing.status();
    QVariantList values{user.nome,     user.usuario, senha,     user.restrito ? 1 : 0,
                        user.pergunta, resposta,     user.dica, user.email};
    qint64 id = 0;
    // The secrets as they were, to say in the log whether they changed.
    std::pair<QString, QString> formerSecrets;
    if (*existing) {
        id = (*existing)->id;
        const auto secrets = storedSecrets(id);
        if (!secrets)
            return secrets.status();
        formerSecrets = *secrets;
        values.append(id);
        if (Status updated = Sql::exec(
                m_db.database(),
                QStringLiteral("update usuarios set nome = ?, usuario = ?, senha = ?, "
                               "restrito = ?, pergunta = ?, resposta = ?, dica = ?, email = ? "
                               "where id = ?"),
                values);
            !updated)
            return updated;
    } else {
        auto q = Sql::run(m_db.database(),
                          QStringLiteral("insert into usuarios (nome, usuario, senha, restrito, "
                                         "pergunta, resposta, dica, email) values "
                                         "(?, ?, ?, ?, ?, ?, ?, ?) returning id"),
                          values);
        if (!q)
            return q.status();
        if (!q->next())
            return Sql::failureOf(*q);
        id = q->value(0).toLongLong();
        q->finish(); // the statement ends before the commit
    }
    if (Status logged = logSave(id, *existing, formerSecrets, user); !logged)
        return logged;
    return transaction.commit();
}

// What the log keeps of a user: never a password, an answer or the hint
// that leads to the password, only that they changed.
Status UserStore::logSave(qint64 id, const std::optional<User>& before,
                          const std::pair<QString, QString>& formerSecrets, const NewUser& after)
{
    ChangeLog::Values values = valuesOf(
        {id, after.usuario, after.nome, after.email, after.pergunta, after.dica, after.restrito});
    if (!before) {
        values.note(tr("senha definida"));
        if (!normalizedAnswer(after.resposta).isEmpty())
            values.note(tr("resposta definida"));
        if (!after.dica.isEmpty())
            values.note(tr("dica definida"));
        return ChangeLog::record(m_db, {ChangeLog::Kind::Insert, QStringLiteral("usuarios"),
                                        QString::number(id), QString(), values.text()});
    }
    if (!PasswordHash::verify(formerSecrets.first, normalizedPassword(after.senha)))
        values.note(tr("senha alterada"));
    if (!sameSecret(formerSecrets.second, normalizedAnswer(after.resposta)))
        values.note(tr("resposta alterada"));
    if (before->dica != after.dica)
        values.note(tr("dica alterada"));
    const QString formerText = valuesOf(*before).text();
    if (values.text() == formerText)
        return Status::success(); // saved again as it was
    return ChangeLog::record(m_db, {ChangeLog::Kind::Update, QStringLiteral("usuarios"),
                                    QString::number(id), formerText, values.text()});
}

Status UserStore::remove(qint64 id)
{
    Transaction transaction(m_db.database());
    if (!transaction.begun())
        return transaction.begun();
    auto q = Sql::run(m_db.database(), QStringLiteral("select * from usuarios where id = ?"), {id});
    if (!q)
        return q.status();
    const std::optional<User> gone = q->next() ? std::optional<User>(userFrom(*q)) : std::nullopt;
    q->finish();
    if (Status deleted =
            Sql::exec(m_db.database(), QStringLiteral("delete from usuarios where id = ?"), {id});
        !deleted)
        return deleted;
    if (gone) {
        if (Status logged =
                ChangeLog::record(m_db, {ChangeLog::Kind::Delete, QStringLiteral("usuarios"),
                                         QString::number(id), valuesOf(*gone).text(), QString()});
            !logged)
            return logged;
    }
    return transaction.commit();
}

Result<std::pair<QString, QString>> UserStore::storedSecrets(qint64 id) const
{
    auto q = Sql::run(m_db.database(),
                      QStringLiteral("select senha, resposta from usuarios where id = ?"), {id});
    if (!q)
        return q.status();
    if (!q->next())
        return std::pair<QString, QString>();
    return std::pair(FieldText(q->value(0)), FieldText(q->value(1)));
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
