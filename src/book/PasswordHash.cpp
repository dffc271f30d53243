#include "book/PasswordHash.h"

#include <QByteArray>

#include <sodium.h>

namespace PasswordHash {

namespace {
bool ready()
{
    static const bool initialised = sodium_init() >= 0;
    return initialised;
}
} // namespace

QString hash(const QString& secret)
{
    if (!ready())
        return QString();
    const QByteArray utf8 = secret.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return QString();
    return QString::fromLatin1(out);
}

bool isHash(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) ||
           stored.startsWith(QLatin1String("$argon2i$"));
}

bool verify(const QString& stored, const QString& candidate)
{
    if (stored.isEmpty())
        return false;
    if (!isHash(stored))
        return stored == candidate;
    if (!ready())
        return false;
    const QByteArray hashText = stored.toLatin1();
    const QByteArray utf8 = candidate.toUtf8();
    return crypto_pwhash_str_verify(hashText.constData(), utf8.constData(), quint64(utf8.size())) ==
           0;
}

} // namespace PasswordHash
