#pragma once

#include <QString>

// Passwords and secret answers are kept only as Argon2id strings
// (libsodium, interactive limits), never as the text itself.
namespace PasswordHash {

// A new hash string of the secret, with its own random salt. Empty only when
// the system is out of memory.
QString hash(const QString& secret);

// Whether the candidate is the secret behind the stored hash. A stored value
// that is not a hash string (a book written before hashing) is compared as
// text, so such a book still lets its users in until it is converted.
bool verify(const QString& stored, const QString& candidate);

bool isHash(const QString& stored);

} // namespace PasswordHash
