#include "book/EntryStore.h"

#include "book/AccountBook.h"
#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Formats.h"
#include "core/Sql.h"
#include "core/Transaction.h"

#include <QCoreApplication>
#include <QSqlRecord>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EntryStore", text);
}

QString goneText(qint64 id)
{
    return tr("o lançamento %1 não existe mais no livro de caixa").arg(id);
}

// The account an entry is stored under; nothing inside when it has none. On
// a server book the entry's row stays locked until the transaction ends, so
// no other desk changes or deletes it meanwhile.
Result<std::optional<qint64>> accountOfEntry(const QSqlDatabase& db, qint64 id)
{
    auto q = Sql::run(db,
                      Sql::isServer(db)
                          ? QStringLiteral("select idconta from caixa where id = ? for update")
                          : QStringLiteral("select idconta from caixa where id = ?"),
                      {id});
    if (!q)
        return q.status();
    if (!q->next())
        return Status::failure(goneText(id));
    return q->value(0).isNull() ? std::optional<qint64>()
                                : std::optional<qint64>(q->value(0).toLongLong());
}

// Runs a write again when a server undid it because another desk's write
// crossed it (a deadlock the server broke): nothing of it was kept, so
// running it again is safe. A few tries, then the failure is told.
const Status& statusOf(const Status& status)
{
    return status;
}
template <typename T> const Status& statusOf(const Result<T>& result)
{
    return result.status();
}

template <typename Write> auto retried(Write write)
{
    for (int attempt = 1;; ++attempt) {
        auto outcome = write();
        if (outcome.ok() || statusOf(outcome).cause() != Status::Cause::Conflict || attempt == 3)
            return outcome;
    }
}

} // namespace

EntryStore::EntryStore(DbConnection& db) : m_db(db) {}

Result<EntryStore::Stored> EntryStore::load(qint64 id) const
{
    return read(id, false);
}

Result<EntryStore::Stored> EntryStore::read(qint64 id, bool locked) const
{
    // The lock, on a server, is on the entry's row only, not its account's.
    const QString lock = locked && m_db.isServer() ? QStringLiteral(" for update of c") : QString();
    auto q = Sql::run(m_db.database(),
                      QStringLiteral("select c.*, a.descricao as nomeconta from caixa c "
                                     "left join contas a on a.id = c.idconta where c.id = ?") +
                          lock,
                      {id});
    if (!q)
        return q.status();
    if (!q->next())
        return Status::failure(goneText(id));
    const QSqlRecord record = q->record();
    const auto value = [&](const char16_t* column) {
        const int index = record.indexOf(QString::fromUtf16(column));
        return index < 0 ? QVariant() : q->value(index); // ndoc is missing in older books
    };
    Stored e;
    e.id = id;
    e.data = Formats::dateFromDb(value(u"data"));
    e.hora = Formats::timeFromDb(value(u"hora"));
    if (!value(u"idconta").isNull())
        e.accountId = value(u"idconta").toLongLong();
    e.account = value(u"nomeconta").toString();
    e.ndoc = value(u"ndoc").toString();
    e.descricao = value(u"descricao").toString();
    e.entrada = Money::fromDb(value(u"entrada"));
    e.saida = Money::fromDb(value(u"saida"));
    return e;
}

// Older books lack the document number column: it is added once, before
// the first entry that needs it is written.
Status EntryStore::ensureDocumentNumberColumn()
{
    // A server book has had the column since it was made; a look at the
    // table of a dropped connection would only hide why the save failed.
    if (m_db.isServer())
        return Status::success();
    if (m_db.database().record(QStringLiteral("caixa")).indexOf(QStringLiteral("ndoc")) >= 0)
        return Status::success();
    if (!EnsureColumn(m_db, QStringLiteral("caixa"), QStringLiteral("ndoc"),
                      QStringLiteral("varchar (255)")))
        return Status::failure(tr("não foi possível acrescentar a coluna do número de documento "
                                  "(ndoc) ao livro de caixa"));
    return Status::success();
}

bool EntryStore::Stored::sameEntryAs(const Stored& other) const
{
    return id == other.id && data == other.data && hora == other.hora &&
           accountId == other.accountId && ndoc == other.ndoc && descricao == other.descricao &&
           entrada == other.entrada && saida == other.saida;
}

Result<qint64> EntryStore::save(qint64 id, const Entry& entry)
{
    if (Status column = ensureDocumentNumberColumn(); !column)
        return column;
    return retried([&] { return saveOnce(id, entry); });
}

Result<qint64> EntryStore::saveOnce(qint64 id, const Entry& entry)
{
    Transaction transaction(m_db.database());
    if (!transaction.begun())
        return transaction.begun();
    const auto written = writeWithBalances(id, entry);
    if (!written)
        return written;
    if (Status committed = transaction.commit(); !committed) {
        if (committed.cause() == Status::Cause::ServerLost && id == 0)
            return afterLostCommit(*written, entry, committed);
        return committed;
    }
    return written;
}

// The server may have committed a new entry whose answer never came back.
// Its id is known: once connected again, the book says whether the entry is
// there, so a second try never saves it twice.
Result<qint64> EntryStore::afterLostCommit(qint64 id, const Entry& entry, const Status& lost)
{
    const auto found = load(id);
    if (!found)
        return lost;
    const bool same = found->data == entry.data && found->hora == entry.hora &&
                      found->account == entry.account && found->descricao == entry.descricao &&
                      found->ndoc == entry.ndoc.trimmed() && found->entrada == entry.entrada &&
                      found->saida == entry.saida;
    if (!same)
        return lost;
    return id;
}

Result<EntryStore::Edit> EntryStore::saveEdit(const Stored& loaded, const Entry& entry)
{
    if (Status column = ensureDocumentNumberColumn(); !column)
        return column;
    return retried([&] { return saveEditOnce(loaded, entry); });
}

Result<EntryStore::Edit> EntryStore::saveEditOnce(const Stored& loaded, const Entry& entry)
{
    Transaction transaction(m_db.database());
    if (!transaction.begun())
        return transaction.begun();
    const auto current = read(loaded.id, true);
    if (!current)
        return current.status();
    if (!current->sameEntryAs(loaded))
        return Edit{false, *current};
    const auto written = writeWithBalances(loaded.id, entry);
    if (!written)
        return written.status();
    if (Status committed = transaction.commit(); !committed)
        return committed;
    return Edit{true, {}};
}

Result<qint64> EntryStore::writeWithBalances(qint64 id, const Entry& entry)
{
    const QSqlDatabase db = m_db.database();
    const auto accountId = AccountBook(m_db).idOf(entry.account);
    if (!accountId)
        return accountId.status();
    if (!*accountId)
        return Status::failure(tr("a conta \"%1\" não existe mais").arg(entry.account));
    std::optional<qint64> formerAccount;
    if (id != 0) {
        const auto former = accountOfEntry(db, id);
        if (!former)
            return former.status();
        formerAccount = *former;
    }
    if (Status locked = AccountBook::lockForWrite(db, {**accountId, formerAccount.value_or(0)});
        !locked)
        return locked;
    const auto written = write(id, **accountId, entry);
    if (!written)
        return written;
    if (Status balance = AccountBook::storeBalance(db, **accountId); !balance)
        return balance;
    if (formerAccount && *formerAccount != **accountId) {
        if (Status balance = AccountBook::storeBalance(db, *formerAccount); !balance)
            return balance;
    }
    return written;
}

Result<qint64> EntryStore::write(qint64 id, qint64 accountId, const Entry& entry)
{
    QVariantList values{Formats::dbDate(entry.data),
                        Formats::dbTime(entry.hora),
                        accountId,
                        entry.ndoc.trimmed(),
                        entry.descricao,
                        entry.entrada.toDb(),
                        entry.saida.toDb()};
    if (id != 0)
        values.append(id);
    auto q = Sql::run(
        m_db.database(),
        id != 0
            ? QStringLiteral("update caixa set data = ?, hora = ?, idconta = ?, ndoc = ?, "
                             "descricao = ?, entrada = ?, saida = ? where id = ?")
            : QStringLiteral("insert into caixa (data, hora, idconta, ndoc, descricao, entrada, "
                             "saida) values (?, ?, ?, ?, ?, ?, ?) returning id"),
        values);
    if (!q)
        return q.status();
    if (id != 0)
        return q->numRowsAffected() == 0 ? Result<qint64>(Status::failure(goneText(id))) : id;
    if (!q->next())
        return Sql::failureOf(*q);
    return q->value(0).toLongLong();
}

Status EntryStore::remove(qint64 id)
{
    return retried([&] { return removeOnce(id); });
}

Status EntryStore::removeOnce(qint64 id)
{
    const QSqlDatabase db = m_db.database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    const auto account = accountOfEntry(db, id);
    if (!account)
        return account.status();
    if (Status locked = AccountBook::lockForWrite(db, {account->value_or(0)}); !locked)
        return locked;
    if (Status deleted = Sql::exec(db, QStringLiteral("delete from caixa where id = ?"), {id});
        !deleted)
        return deleted;
    if (*account) {
        if (Status balance = AccountBook::storeBalance(db, **account); !balance)
            return balance;
    }
    return transaction.commit();
}
