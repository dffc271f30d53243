#pragma once

#include "core/ChangeLog.h"
#include "core/Money.h"
#include "core/Result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

class DbConnection;

// The accounts that entries are grouped under. Names are stored trimmed and
// upper-case, and never twice. Every balance shown is computed from the
// entries; "contas.saldo" keeps a copy that is rewritten after each change.
// A create, rename or delete is recorded in the change log in its own
// transaction.
class AccountBook
{
public:
    struct Account
    {
        qint64 id = 0;
        QString name;
    };

    // What a create, rename or delete came to, when the book took it.
    enum class Outcome { Done, Ignored, InUse };

    explicit AccountBook(DbConnection& db);

    // How a typed name is stored: without surrounding blanks, in capitals
    // (accented letters too).
    static QString normalizedName(const QString& typed);

    // Every account, by id.
    Result<QList<Account>> accountsById() const;
    // The names for every list of accounts, in the order a Brazilian reader
    // expects (pt_BR collation: capitals and accents do not part names, Á
    // sits beside A). They are sorted here, after reading, so the order is
    // the same whatever engine holds the book.
    Result<QStringList> namesInOrder() const;
    // The account with that name, capitals or not: a book written by another
    // tool may hold "Casa", and "CASA" is the same account. The account of
    // exactly that spelling comes first, then the oldest.
    Result<std::optional<qint64>> idOf(const QString& name) const;
    // Whether two names are the same account's.
    static bool sameName(const QString& a, const QString& b);
    // Sorts names as namesInOrder gives them.
    static void sortNames(QStringList& names);

    // The balance of an account: its entries in minus out, whatever their dates.
    Result<Money> ConsultaSaldo(qint64 id) const;

    // Whether any entry refers to the account.
    Result<bool> isInUse(qint64 id) const;

    // Ignored for an empty name or one that exists already.
    Result<Outcome> create(const QString& typedName);
    Result<Outcome> rename(qint64 id, const QString& typedName);
    // InUse while any entry refers to the account; the check and the delete
    // are one transaction.
    Result<Outcome> remove(qint64 id);

    // Recomputes an account's stored balance from its entries, inside the
    // transaction of the write that changed them (the caller holds it).
    static Status UpdateAccountBalance(const QSqlDatabase& db, qint64 id);
    // Before entries of these accounts change on a server book: their rows
    // stay locked until the transaction ends, so two desks that write to one
    // account take turns and each stores a balance that counts the other's
    // entries. Accounts are locked in id order (0 is none), so desks never
    // wait on each other in a circle. Nothing to do on a file book.
    static Status lockForWrite(const QSqlDatabase& db, QList<qint64> ids);

private:
    // The change's record; a null name stands for no values.
    Status log(ChangeLog::Kind kind, qint64 id, const QString& before, const QString& after);

    DbConnection& m_db;
};
