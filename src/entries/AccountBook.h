#pragma once

#include "core/Money.h"
#include "core/Status.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class DbConnection;

// The accounts that entries are grouped under. Names are stored trimmed and
// upper-case, and never twice. Every balance shown is computed from the
// entries; "contas.saldo" keeps a copy that is rewritten after each change.
class AccountBook
{
public:
    struct Account
    {
        qint64 id = 0;
        QString name;
    };

    enum class Outcome { Done, Ignored, InUse, Failed };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        QString error; // the database's reason when Failed
    };

    explicit AccountBook(DbConnection& db);

    // How a typed name is stored: without surrounding blanks, in capitals
    // (accented letters too).
    static QString normalizedName(const QString& typed);

    // Every account, by id; and the names in alphabetical order for lists.
    // Nothing when the table cannot be read.
    std::optional<QList<Account>> accountsById() const;
    std::optional<QStringList> namesInOrder() const;
    std::optional<qint64> idOf(const QString& name) const;

    // The balance of an account: its entries in minus out, whatever their dates.
    std::optional<Money> ConsultaSaldo(qint64 id) const;

    // Ignored for an empty name or one that exists already.
    Result create(const QString& typedName);
    Result rename(qint64 id, const QString& typedName);
    // InUse while any entry refers to the account.
    Result remove(qint64 id);
    std::optional<bool> isInUse(qint64 id) const;

    // Recomputes and stores an account's balance, by name. True when it
    // completed; a name that no account has changes nothing.
    bool UpdateAccountBalance(const QString& name);
    // The same by id, inside a transaction the caller holds.
    static Status storeBalance(QSqlDatabase db, qint64 id);

private:
    DbConnection& m_db;
};
