// Conversion of books that still hold passwords and answers as text.

#include "book/UserStore.h"

#include "book/PasswordHash.h"
#include "core/DbConnection.h"
#include "core/Sql.h"
#include "core/Transaction.h"

namespace {

struct PlainSecrets
{
    qint64 id = 0;
    QVariant senha;    // null: already a hash, leave it
    QVariant resposta; // null: already a hash or empty, leave it
};

Result<QList<PlainSecrets>> secretsToConvert(const QSqlDatabase& db)
{
    auto q = Sql::run(db, QStringLiteral("select id, senha, resposta from usuarios"));
    if (!q)
        return q.status();
    QList<PlainSecrets> found;
    while (q->next()) {
        const QString senha = q->value(1).toString();
        const QString resposta = q->value(2).toString();
        PlainSecrets s;
        s.id = q->value(0).toLongLong();
        if (!senha.isEmpty() && !PasswordHash::isHash(senha))
            s.senha = PasswordHash::hash(senha);
        if (!resposta.trimmed().isEmpty() && !PasswordHash::isHash(resposta))
            s.resposta = PasswordHash::hash(UserStore::normalizedAnswer(resposta));
        if (!s.senha.isNull() || !s.resposta.isNull())
            found.append(s);
    }
    return found;
}

QVariant orNullText(const QVariant& value)
{
    return value.isNull() ? QVariant(QMetaType(QMetaType::QString)) : value;
}

} // namespace

Result<int> UserStore::convertPlainTextSecrets()
{
    const QSqlDatabase db = m_db.database();
    const auto plain = secretsToConvert(db);
    if (!plain)
        return plain.status();
    if (plain->isEmpty())
        return 0;
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    for (const PlainSecrets& s : *plain) {
        const Status updated =
            Sql::exec(db,
                      QStringLiteral("update usuarios set senha = coalesce(?, senha), "
                                     "resposta = coalesce(?, resposta) where id = ?"),
                      {orNullText(s.senha), orNullText(s.resposta), s.id});
        if (!updated)
            return updated;
    }
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return int(plain->size());
}

Status UserStore::compactFile()
{
    return Sql::exec(m_db.database(), QStringLiteral("VACUUM"));
}
