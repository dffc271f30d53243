#include "book/EntryStore.h"

#include "book/AccountBook.h"
#include "book/Closings.h"
#include "core/ChangeLog.h"
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

// A write whose commit went out to the server and whose answer never came.
QString inDoubtText()
{
    return tr("O servidor do livro de caixa deixou de responder durante a gravação, e ainda não "
              "se sabe se ela foi feita. Verifique a rede e o servidor e salve de novo: o livro é "
              "conferido antes, e nada é gravado duas vezes.");
}

QString goneText(qint64 id)
{
    return tr("o lançamento %1 não existe mais no livro de caixa").arg(id);
}

// An entry as the change log shows it, in the grid's words and formats.
QString valuesOf(const QDate& data, const QTime& hora, const QString& account, const QString& ndoc,
                 const QString& descricao, const std::optional<Money>& entrada,
                 const std::optional<Money>& saida)
{
    return ChangeLog::Values()
        .add(tr("Data"), Formats::date(data))
        .add(tr("Hora"), hora.isValid() ? Formats::dbTime(hora) : QString())
        .add(tr("Conta"), account)
        .add(tr("N. Doc."), ndoc)
        .add(tr("Descrição"), descricao)
        .add(tr("Entrada"), formatMoney(entrada))
        .add(tr("Saída"), formatMoney(saida))
        .text();
}

QString valuesOf(const EntryStore::Stored& e)
{
    return valuesOf(e.data, e.hora, e.account, e.ndoc, e.descricao, e.entrada, e.saida);
}

// As write() stores it.
QString valuesOf(const EntryStore::Entry& e)
{
    return valuesOf(e.data, e.hora, e.account, e.ndoc.trimmed(), e.descricao, e.entrada, e.saida);
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
    if (id == 0) {
        const auto earlier = settleUnconfirmed(entry);
        if (!earlier)
            return earlier.status();
        if (*earlier)
            return **earlier;
    }
    return retried([&] { return saveOnce(id, entry); });
}

Result<qint64> EntryStore::saveOnce(qint64 id, const Entry& entry)
{
    Transaction transaction(m_db.database());
    if (!transaction.begun())
        return transaction.begun();
    std::optional<Stored> before;
    if (id != 0) {
        const auto current = load(id);
        if (!current)
            return current.status();
        before = *current;
    }
    const auto written = writeLogged(before, entry);
    if (!written)
        return written;
    if (Status committed = transaction.commit(); !committed) {
        if (committed.cause() == Status::Cause::ServerLost && id == 0)
            return afterLostCommit(*written, committed);
        return committed;
    }
    return written;
}

Result<qint64> EntryStore::addWithinTransaction(const Entry& entry)
{
    return writeLogged(std::nullopt, entry);
}

// The server may have committed a new entry whose answer never came back.
// Its id is known (ids are never handed out twice): once connected again,
// the book says whether the entry is there. While the server cannot be
// asked, the id is kept, and the next new entry waits for the answer.
Result<qint64> EntryStore::afterLostCommit(qint64 id, const Status& lost)
{
    const auto found = load(id);
    if (found)
        return id;
    if (found.status().cause() != Status::Cause::ServerLost)
        return lost; // not in the book: nothing was saved
    m_db.setUnconfirmedRow(id);
    return Status::failure(inDoubtText(), Status::Cause::Refused);
}

// Nothing inside when no save is in doubt, or the one in doubt never reached
// the book: the new entry may be written. The entry saved earlier when it
// holds what is being saved now, so the same form saved again is not
// recorded twice; a refusal naming it when it holds something else.
Result<std::optional<qint64>> EntryStore::settleUnconfirmed(const Entry& entry)
{
    const auto pending = m_db.unconfirmedRow();
    if (!pending)
        return std::optional<qint64>();
    const auto found = load(*pending);
    if (!found && found.status().cause() == Status::Cause::ServerLost)
        return Status::failure(inDoubtText(), Status::Cause::Refused);
    m_db.setUnconfirmedRow(std::nullopt);
    if (!found)
        return std::optional<qint64>();
    if (valuesOf(*found) == valuesOf(entry))
        return std::optional<qint64>(*pending);
    return Status::failure(tr("O lançamento salvo quando o servidor deixou de responder foi "
                              "gravado no livro de caixa (lançamento %1: %2). Confira-o na grade "
                              "antes de lançar de novo.")
                               .arg(*pending)
                               .arg(found->descricao),
                           Status::Cause::Refused);
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
    // The same edit saved again after its answer was lost finds it made.
    if (!current->sameEntryAs(loaded) && valuesOf(*current) == valuesOf(entry))
        return Edit{true, {}};
    if (!current->sameEntryAs(loaded))
        return Edit{false, *current};
    const auto written = writeLogged(*current, entry);
    if (!written)
        return written.status();
    if (Status committed = transaction.commit(); !committed) {
        if (committed.cause() != Status::Cause::ServerLost)
            return committed;
        // Whether the server made the edit before the answer was lost.
        const auto now = load(loaded.id);
        if (now && valuesOf(*now) == valuesOf(entry))
            return Edit{true, {}};
        return now || now.status().cause() != Status::Cause::ServerLost
                   ? committed
                   : Status::failure(inDoubtText(), Status::Cause::Refused);
    }
    return Edit{true, {}};
}

Result<qint64> EntryStore::writeLogged(const std::optional<Stored>& before, const Entry& entry)
{
    const QSqlDatabase db = m_db.database();
    const Closings closings(m_db);
    // The day it leaves and the day it goes to must both be open.
    if (before) {
        if (Status open = closings.checkOpen(before->data); !open)
            return open;
    }
    if (Status open = closings.checkOpen(entry.data); !open)
        return open;
    const auto accountId = AccountBook(m_db).idOf(entry.account);
    if (!accountId)
        return accountId.status();
    if (!*accountId)
        return Status::failure(tr("a conta \"%1\" não existe mais").arg(entry.account));
    std::optional<qint64> formerAccount;
    if (before) {
        const auto former = accountOfEntry(db, before->id);
        if (!former)
            return former.status();
        formerAccount = *former;
    }
    if (Status locked = AccountBook::lockForWrite(db, {**accountId, formerAccount.value_or(0)});
        !locked)
        return locked;
    const auto written = write(before ? before->id : 0, **accountId, entry);
    if (!written)
        return written;
    const QString after = valuesOf(entry);
    const QString former = before ? valuesOf(*before) : QString();
    if (after != former) {
        if (Status logged = ChangeLog::record(
                m_db, {before ? ChangeLog::Kind::Update : ChangeLog::Kind::Insert,
                       QStringLiteral("caixa"), QString::number(*written), former, after});
            !logged)
            return logged;
    }
    if (Status balance = AccountBook::UpdateAccountBalance(db, **accountId); !balance)
        return balance;
    if (formerAccount && *formerAccount != **accountId) {
        if (Status balance = AccountBook::UpdateAccountBalance(db, *formerAccount); !balance)
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
    const auto entry = load(id);
    if (!entry)
        return entry.status();
    if (Status open = Closings(m_db).checkOpen(entry->data); !open)
        return open;
    if (Status locked = AccountBook::lockForWrite(db, {account->value_or(0)}); !locked)
        return locked;
    if (Status deleted = Sql::exec(db, QStringLiteral("delete from caixa where id = ?"), {id});
        !deleted)
        return deleted;
    if (Status logged = ChangeLog::record(m_db, {ChangeLog::Kind::Delete, QStringLiteral("caixa"),
                                                 QString::number(id), valuesOf(*entry), QString()});
        !logged)
        return logged;
    if (entry->accountId) {
        if (Status balance = AccountBook::UpdateAccountBalance(db, *entry->accountId); !balance)
            return balance;
    }
    Status committed = transaction.commit();
    if (committed || committed.cause() != Status::Cause::ServerLost)
        return committed;
    // Whether the server deleted it before the answer was lost.
    const auto still = load(id);
    if (still)
        return committed;
    return still.status().cause() == Status::Cause::ServerLost
               ? Status::failure(inDoubtText(), Status::Cause::Refused)
               : Status::success();
}
