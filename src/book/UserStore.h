#pragma once

#include "core/Result.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

class DbConnection;

// The users who may log in, kept apart by their login name. Passwords and
// secret answers are stored as hashes only. A save or delete is recorded in
// the change log in its own transaction, without any secret: a password
// change is logged as "senha alterada".
class UserStore
{
public:
    struct Listed
    {
        qint64 id = 0;
        QString usuario;
    };

    // What the register shows of a user: never the password nor the answer.
    struct User
    {
        qint64 id = 0;
        QString usuario;
        QString nome;
        QString email;
        QString pergunta;
        QString dica;
        bool restrito = false;
    };

    // A user as the register saves it; the texts are already normalised.
    struct NewUser
    {
        QString nome;
        QString usuario;
        QString senha;
        QString email;
        QString pergunta;
        QString resposta;
        QString dica;
        bool restrito = false;
    };

    enum class Answer { NoSuchUser, Accepted, Refused };
    struct AnswerCheck
    {
        Answer answer = Answer::NoSuchUser;
        QString dica; // the hint, only when the answer was accepted
    };

    explicit UserStore(DbConnection& db);

    // The form of a typed secret answer that is hashed and compared.
    static QString normalizedAnswer(const QString& typed);
    // The form of a typed password that the register stores and the login
    // compares: without surrounding blanks, in lower case. Both use it, so a
    // password is taken the same way however the box was left.
    static QString normalizedPassword(const QString& typed);

    Result<QList<Listed>> listByLogin() const;
    // The user with that login name, if there is one.
    Result<std::optional<User>> find(const QString& usuario) const;
    // A new user, or the one with that login name overwritten.
    Status save(const NewUser& user);
    Status remove(qint64 id);

    // Whether any user of the common level exists (nothing on a read error).
    Result<bool> hasCommonLevelUser() const;

    // The user the credentials belong to, or nothing. The password is
    // compared in its normalised form.
    Result<std::optional<User>> logIn(const QString& usuario, const QString& senha) const;
    // Checks a secret answer; the hint comes with an accepted one.
    Result<AnswerCheck> checkAnswer(const QString& usuario, const QString& answer) const;

    // Replaces any password or answer stored as text by its hash, in one
    // transaction. Returns how many users were converted. The old text stays
    // in the file's free space until compactFile().
    Result<int> convertPlainTextSecrets();
    // Rebuilds the file (VACUUM), so that no freed text lingers in it.
    Status compactFile();

private:
    Status write(const NewUser& user);
    // formerSecrets: the password and answer stored before the save.
    Status logSave(qint64 id, const std::optional<User>& before,
                   const std::pair<QString, QString>& formerSecrets, const NewUser& after);
    // The stored password and answer (hashes, or text before conversion).
    Result<std::pair<QString, QString>> storedSecrets(qint64 id) const;

    DbConnection& m_db;
};
