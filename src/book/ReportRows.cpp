#include "book/ReportRows.h"

#include "book/Balances.h"
#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/RowReader.h"
#include "core/Sql.h"
#include "core/TaskProgress.h"
#include "core/Transaction.h"

#include <QCoreApplication>

#include <functional>

#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ReportRows", text);
}

constexpr qsizetype kProgressEvery = 4096;

// Amounts are integer ten-thousandths; books touched by other tools may hold
// them as REAL or text, which Money reads as amounts too.
// One shared copy of each text that recurs: a year of entries holds the
// same few hundred descriptions over and over. Texts are looked up by their
// UTF-8 bytes, as SQLite keeps them, so a text already known costs no
// conversion, through a table of its own with a quick hash (a general one
// costs more than the rest of reading a row).
class TextPool
{
public:
    TextPool() : m_slots(1024) {}

    QString text(const RowReader& reader, int column)
    {
        if (column < 0 || reader.isNull(column))
            return QString();
        const QByteArrayView bytes = reader.utf8(column);
        const quint64 hash = hashOf(bytes);
        for (std::size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            Slot& slot = m_slots[i];
            if (!slot.used) {
                slot = {hash, bytes.toByteArray(), QString::fromUtf8(bytes), true};
                if (++m_used * 2 > m_slots.size())
                    grow();
                return lookUp(hash, bytes);
            }
            if (slot.hash == hash && slot.bytes == bytes)
                return slot.text; // a used slot: the empty ones were met above
        }
    }

private:
    struct Slot
    {
        quint64 hash = 0;
        QByteArray bytes;
        QString text;
        bool used = false;
    };

    static quint64 hashOf(QByteArrayView bytes)
    {
        quint64 hash = 1469598103934665603ULL; // FNV-1a
        for (const char c : bytes)
            hash = (hash ^ uchar(c)) * 1099511628211ULL;
        return hash;
    }
    const QString& lookUp(quint64 hash, QByteArrayView bytes) const
    {
        for (std::size_t i = hash & (m_slots.size() - 1);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i].used && m_slots[i].hash == hash && m_slots[i].bytes == bytes)
                return m_slots[i].text;
        }
    }
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (Slot& slot : old) {
            if (!slot.used)
                continue;
            std::size_t i = slot.hash & (m_slots.size() - 1);
            while (m_slots[i].used)
                i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

struct Filter
{
    QString where;
    QVariantList values;
};

Filter filterOf(const CashBookRequest& request, const QString& prefix)
{
    Filter f;
    if (request.accountId >= 1) {
        f.where = prefix + QStringLiteral("idconta = ? and ");
        f.values.append(request.accountId);
    }
    f.where += prefix + QStringLiteral("data >= ? and ") + prefix + QStringLiteral("data <= ?");
    f.values << Formats::dbDate(request.first) << Formats::dbDate(request.last);
    return f;
}

// How many entries the period holds, from the day totals: the list is made
// that size at once rather than grown (and copied) as it fills.
qsizetype expectedCount(DbConnection& db, const CashBookRequest& request)
{
    const Filter f = filterOf(request, QString());
    const auto count = Sql::scalar(
        db.database(), QStringLiteral("select sum(entry_count) from day_totals where ") + f.where,
        f.values);
    return count ? qsizetype(count->toLongLong()) : 0;
}

// Every account's name by id, once for the whole run.
Result<QHash<qint64, QString>> accountNames(DbConnection& db)
{
    RowReader reader(db, QStringLiteral("select id, descricao from contas"));
    QHash<qint64, QString> names;
    while (reader.next()) {
        if (const auto id = reader.integer(0))
            names.insert(*id, reader.isNull(1) ? QString() : reader.text(1).toString());
    }
    if (!reader.status())
        return reader.status();
    return names;
}

// The day of an entry: a day's entries come one after another, so its text
// is read into a date once. Both read the UTF-8 SQLite keeps.
class DayReader
{
public:
    QDate date(const RowReader& reader, int column)
    {
        if (column < 0 || reader.isNull(column))
            return QDate();
        const QByteArrayView bytes = reader.utf8(column);
        if (bytes != m_text) {
            m_text = bytes.toByteArray();
            m_date = Formats::dateFromText(QString::fromUtf8(bytes));
        }
        return m_date;
    }

private:
    QByteArray m_text;
    QDate m_date;
};

QTime timeIn(const RowReader& reader, int column)
{
    if (column < 0 || reader.isNull(column))
        return QTime();
    const QByteArrayView bytes = reader.utf8(column);
    char16_t text[32];
    const qsizetype n = std::min<qsizetype>(bytes.size(), std::size(text));
    for (qsizetype i = 0; i < n; ++i)
        text[i] = char16_t(uchar(bytes[i])); // a time is plain digits and colons
    return Formats::timeFromText(QStringView(text, n));
}

// Called once as soon as the first rows are in, with more still to come.
struct FirstRows
{
    qsizetype count = 0;
    std::function<void(const QList<CashBookEntry>&)> read;
};

Status readEntries(DbConnection& db, const CashBookRequest& request, QList<CashBookEntry>& entries,
                   TaskProgress* progress, const FirstRows& first = {})
{
    const qsizetype expected = expectedCount(db, request);
    entries.reserve(expected);
    if (progress)
        progress->startStage(progress->stage(), expected);
    const auto names = accountNames(db);
    if (!names)
        return names.status();
    const Filter f = filterOf(request, QString());
    RowReader reader(db,
                     QStringLiteral("select * from caixa where ") + f.where +
                         QStringLiteral(" order by data, hora, id"),
                     f.values);
    if (!reader.status())
        return reader.status();
    const int data = reader.indexOf(QStringLiteral("data"));
    const int hora = reader.indexOf(QStringLiteral("hora"));
    const int idconta = reader.indexOf(QStringLiteral("idconta"));
    const int ndoc = reader.indexOf(QStringLiteral("ndoc")); // -1 in books older than the column
    const int descricao = reader.indexOf(QStringLiteral("descricao"));
    const int entrada = reader.indexOf(QStringLiteral("entrada"));
    const int saida = reader.indexOf(QStringLiteral("saida"));

    TextPool texts;
    DayReader days;
    while (reader.next()) {
        if (first.read && entries.size() == first.count && first.count > 0)
            first.read(entries);
        CashBookEntry e;
        e.data = days.date(reader, data);
        e.hora = timeIn(reader, hora);
        e.idconta = reader.integer(idconta);
        if (e.idconta)
            e.conta = names->value(*e.idconta);
        e.ndoc = texts.text(reader, ndoc);
        e.descricao = texts.text(reader, descricao);
        e.entrada = reader.money(entrada);
        e.saida = reader.money(saida);
        entries.append(std::move(e));
        if (progress && entries.size() % kProgressEvery == 0) {
            progress->setDone(entries.size());
            if (progress->isCancelled())
                return Status::failure(tr("cancelado"));
        }
    }
    if (progress)
        progress->setDone(entries.size());
    return reader.status();
}

Status readDayMovements(DbConnection& db, const CashBookRequest& request,
                        ReportRows::DayMovements& days)
{
    // One grouped query over the totals the book keeps per day; every
    // account counts.
    RowReader reader(db,
                     QStringLiteral("select data, sum(entrada), sum(saida), count(case when "
                                    "abs(entrada) >= 9.2e18 or abs(saida) >= 9.2e18 then 1 "
                                    "end) from day_totals where data >= ? and data <= ? "
                                    "group by data"),
                     {Formats::dbDate(request.first), Formats::dbDate(request.last)});
    if (!reader.status())
        return reader.status();
    while (reader.next()) {
        const QDate day = reader.date(0);
        const auto in = reader.isNull(1) ? Money() : reader.money(1);
        const auto out = reader.isNull(2) ? Money() : reader.money(2);
        // A day whose total outgrew the integers is not summed.
        std::optional<Money> net =
            reader.integer(3).value_or(0) > 0 || !in || !out ? std::nullopt : in->minus(*out);
        // A day stored in two spellings (with and without a time) adds up.
        if (auto known = days.constFind(day); known != days.constEnd())
            net = known->has_value() && net ? (*known)->plus(*net) : std::nullopt;
        days.insert(day, net);
    }
    return reader.status();
}

} // namespace

Result<ReportRows> ReportRows::read(DbConnection& db, const CashBookRequest& request,
                                    TaskProgress* progress)
{
    ReportRows rows;
    if (Status read = readEntries(db, request, rows.entries, progress); !read)
        return read;
    rows.dayMovementsRead = bool(readDayMovements(db, request, rows.days));
    if (!rows.dayMovementsRead)
        rows.days.clear();
    return rows;
}

Result<ReportInput> ReportInput::read(DbConnection& db, const CashBookRequest& request,
                                      TaskProgress* progress)
{
    return read(db, request, progress, FirstPart());
}

Result<ReportInput> ReportInput::read(DbConnection& db, const CashBookRequest& request,
                                      TaskProgress* progress, const FirstPart& firstPart)
{
    // Rolled back when it goes: it only ever read.
    const Transaction moment(db.database());
    if (!moment.begun())
        return moment.begun();
    ReportInput input;
    const auto opening = Balances::openingBalance(db, request.first, request.accountId);
    if (!opening)
        return opening.status();
    input.openingBalance = *opening;
    // The day sums first, so the first part comes whole.
    input.rows.dayMovementsRead = bool(readDayMovements(db, request, input.rows.days));
    if (!input.rows.dayMovementsRead)
        input.rows.days.clear();
    FirstRows first;
    if (firstPart.read) {
        first.count = firstPart.entries;
        first.read = [&](const QList<CashBookEntry>& entries) {
            ReportInput part;
            part.openingBalance = input.openingBalance;
            part.rows.days = input.rows.days;
            part.rows.dayMovementsRead = input.rows.dayMovementsRead;
            part.rows.entries = entries.first(firstPart.entries);
            firstPart.read(std::move(part));
        };
    }
    if (Status read = readEntries(db, request, input.rows.entries, progress, first); !read)
        return read;
    return input;
}
