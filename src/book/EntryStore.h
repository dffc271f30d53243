#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

class DbConnection;

// Writes cash entries. An entry, the stored balance of its account (of both
// accounts, when an edit moves the entry) and the change log's record of it
// change in one transaction: all or nothing. No entry is written on a closed
// day, nor moved to or from one (see Closings): the check is made inside the
// same transaction.
class EntryStore
{
public:
    struct Entry
    {
        QDate data;
        QTime hora;
        QString account; // the account's name, matched exactly
        QString ndoc;
        QString descricao;
        Money entrada;
        Money saida;
    };

    // An entry as the book holds it, for the entry form to edit.
    struct Stored
    {
        qint64 id = 0;
        QDate data;
        QTime hora; // to the second
        std::optional<qint64> accountId;
        QString account; // empty when the entry's account is gone
        QString ndoc;
        QString descricao;
        std::optional<Money> entrada; // nothing when the column is null
        std::optional<Money> saida;

        // Every value the entry holds; the account's name is not the entry's.
        bool sameEntryAs(const Stored& other) const;
    };

    // What an edit came to: saved, or refused because the entry changed in
    // the book since it was loaded (another program, another desk).
    struct Edit
    {
        bool saved = false;
        // When refused: the entry as the book holds it now.
        Stored current;
    };

    explicit EntryStore(DbConnection& db);

    // The entry with that id; a failure when it does not exist.
    Result<Stored> load(qint64 id) const;

    // A new entry when id is 0, otherwise the entry with that id. The saved
    // entry's id.
    Result<qint64> save(qint64 id, const Entry& entry);

    // Changes the entry `loaded` describes, only while the book still holds
    // it exactly as loaded; otherwise nothing is written and the current
    // values come back. The comparison and the write are one transaction,
    // so nothing can come between them (a server book reads the row with a
    // lock for the same reason). An entry deleted meanwhile is a failure.
    Result<Edit> saveEdit(const Stored& loaded, const Entry& entry);

    // Deletes an entry and recomputes its account's stored balance.
    Status remove(qint64 id);

    // A new entry inside a transaction the caller holds (a closing's
    // difference); the book must have the document number column.
    Result<qint64> addWithinTransaction(const Entry& entry);

private:
    Result<Stored> read(qint64 id, bool locked) const;
    Result<qint64> saveOnce(qint64 id, const Entry& entry);
    Result<qint64> afterLostCommit(qint64 id, const Status& lost);
    Result<std::optional<qint64>> settleUnconfirmed(const Entry& entry);
    Result<Edit> saveEditOnce(const Stored& loaded, const Entry& entry);
    Status removeOnce(qint64 id);
    Status ensureDocumentNumberColumn();
    // The entry (a new one when `before` is empty), its accounts' balances
    // and its record in the change log, inside the caller's transaction.
    Result<qint64> writeLogged(const std::optional<Stored>& before, const Entry& entry);
    Result<qint64> write(qint64 id, qint64 accountId, const Entry& entry);

    DbConnection& m_db;
};
