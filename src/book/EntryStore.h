#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

class DbConnection;

// Writes cash entries. An entry and the stored balance of its account (of
// both accounts, when an edit moves the entry) change in one transaction:
// both or neither.
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
        QTime hora;      // to the second
        QString account; // empty when the entry's account is gone
        QString ndoc;
        QString descricao;
        std::optional<Money> entrada; // nothing when the column is null
        std::optional<Money> saida;
    };

    explicit EntryStore(DbConnection& db);

    // The entry with that id; a failure when it does not exist.
    Result<Stored> load(qint64 id) const;

    // A new entry when id is 0, otherwise the entry with that id. The saved
    // entry's id.
    Result<qint64> save(qint64 id, const Entry& entry);

    // Deletes an entry and recomputes its account's stored balance.
    Status remove(qint64 id);

private:
    Status ensureDocumentNumberColumn();
    Result<qint64> write(qint64 id, qint64 accountId, const Entry& entry);

    DbConnection& m_db;
};
