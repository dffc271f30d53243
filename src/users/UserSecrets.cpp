// Conversion of books that still hold passwords and answers as text.

#include "users/UserStore.h"

#include "core/DbConnection.h"
#include "core/Transaction.h"
#include "users/PasswordHash.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

struct PlainSecrets
{
    qint64 id = 0;
    QVariant senha;    // null: already a hash, leave it
    QVariant resposta; // null: already a hash or empty, leave it
};

QList<PlainSecrets> secretsToConvert(QSqlDatabase db, bool* ok)
{
    QList<PlainSecrets> found;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    *ok = q.exec(QStringLiteral("select id, senha, resposta from usuarios"));
    while (*ok && q.next()) {
        const QString senha = q.value(1).toString();
        const QString resposta = q.value(2).toString();
        PlainSecrets s;
        s.id = q.value(0).toLongLong();
        if (!senha.isEmpty() && !PasswordHash::isHash(senha))
            s.senha = PasswordHash::hash(senha);
        if (!resposta.trimmed().isEmpty() && !PasswordHash::isHash(resposta))
            s.resposta = PasswordHash::hash(UserStore::normalizedAnswer(resposta));
        if (!s.senha.isNull() || !s.resposta.isNull())
            found.append(s);
    }
    return found;
}

} // namespace

std::optional<int> UserStore::convertPlainTextSecrets(QString* error)
{
    QSqlDatabase db = m_db.database();
    bool ok = false;
    const QList<PlainSecrets> plain = secretsToConvert(db, &ok);
    if (!ok) {
        if (error)
            *error = db.lastError().text();
        return std::nullopt;
    }
    if (plain.isEmpty())
        return 0;
    Transaction transaction(db);
    QSqlQuery q(db);
    for (const PlainSecrets& s : plain) {
        q.prepare(QStringLiteral("update usuarios set senha = coalesce(?, senha), resposta = coalesce(?, resposta) "
                                 "where id = ?"));
        q.addBindValue(s.senha.isNull() ? QVariant(QMetaType(QMetaType::QString)) : s.senha);
        q.addBindValue(s.resposta.isNull() ? QVariant(QMetaType(QMetaType::QString)) : s.resposta);
        q.addBindValue(s.id);
        if (!q.exec()) {
            if (error)
                *error = q.lastError().text();
            return std::nullopt;
        }
    }
    if (Status committed = transaction.commit(); !committed) {
        if (error)
            *error = committed.reason();
        return std::nullopt;
    }
    // The old text stays in free pages until the file is rebuilt.
    q.exec(QStringLiteral("VACUUM"));
    return int(plain.size());
}
