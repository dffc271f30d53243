#pragma once

#include "core/Money.h"
#include "core/Status.h"

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

    explicit EntryStore(DbConnection& db);

    // A new entry when id is 0, otherwise the entry with that id. On success
    // the entry's id is returned.
    struct SaveResult
    {
        Status status = Status::success();
        qint64 id = 0;
    };
    SaveResult save(qint64 id, const Entry& entry);

    // Deletes an entry and recomputes its account's stored balance.
    Status remove(qint64 id);

    // The stored time of an entry, to the second.
    std::optional<QTime> storedTime(qint64 id) const;

private:
    Status ensureDocumentNumberColumn();
    SaveResult write(qint64 id, qint64 accountId, const Entry& entry);

    DbConnection& m_db;
};
