#include "book/EntrySearch.h"

#include "core/DbConnection.h"
#include "core/Formats.h"
#include "core/RowReader.h"
#include "core/SearchIndex.h"
#include "core/ServerSearchIndex.h"
#include "core/Sql.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlDriver>
#include <QSqlField>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EntrySearch", text);
}

// A word that begins more index terms than this is looked up as a prefix;
// fewer are looked up term by term, which the index answers lazily, newest
// first, instead of merging every matching term before the first result.
constexpr int kMaxTermsPerWord = 32;

const QString kColumns = QStringLiteral(
    "select c.id, c.data, c.hora, a.descricao, c.ndoc, c.descricao, c.entrada, c.saida ");

// A statement in parts: the tables, the conditions with their values, the order.
struct Statement
{
    QString from;
    QStringList where;
    QVariantList values;
    QString order;

    void require(const QString& condition, const QVariantList& conditionValues = {})
    {
        where.append(condition);
        values.append(conditionValues);
    }
    QString text(const QString& columns) const
    {
        QString sql = columns + from;
        if (!where.isEmpty())
            sql += QStringLiteral(" where ") + where.join(QStringLiteral(" and "));
        return sql;
    }
};

bool isPlainAscii(const QString& word)
{
    for (const QChar c : word) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

QString quoted(const QString& term)
{
    return u'"' + QString(term).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The index's terms that begin with a word (ASCII, so one more on its last
// character bounds them), at most one more than the limit. The term list
// counts the entries of each term it passes, so the word itself, often the
// most frequent of them, is looked up in the index instead.
Result<QStringList> termsBeginning(const QSqlDatabase& db, const QString& word)
{
    QStringList terms;
    const auto itself = Sql::scalar(
        db, QStringLiteral("select 1 from caixa_busca where caixa_busca match ? limit 1"),
        {quoted(word)});
    if (!itself)
        return itself.status();
    if (!itself->isNull())
        terms.append(word);
    // The term list takes "term > word" as "term >= word" and counts the
    // word all the same; the smallest longer text starts it after the word.
    const QString longer = word + QChar(1);
    QString next = word;
    next.back() = QChar(next.back().unicode() + 1);
    auto q = Sql::run(db,
                      QStringLiteral("select term from caixa_busca_termos "
                                     "where term >= ? and term < ? limit ?"),
                      {longer, next, kMaxTermsPerWord + 1 - terms.size()});
    if (!q)
        return q.status();
    while (q->next())
        terms.append(q->value(0).toString());
    return terms;
}

// The FTS5 expression that finds every word. Nothing inside when a word
// begins no term at all: then nothing is found.
Result<std::optional<QString>> matchExpression(const QSqlDatabase& db, const QStringList& words)
{
    QStringList groups;
    for (const QString& word : words) {
        if (!isPlainAscii(word)) {
            groups.append(quoted(word) + u'*'); // folded by the index's own rules
            continue;
        }
        const auto terms = termsBeginning(db, word);
        if (!terms)
            return terms.status();
        if (terms->isEmpty())
            return std::optional<QString>();
        if (terms->size() > kMaxTermsPerWord) {
            groups.append(quoted(word) + u'*');
            continue;
        }
        QStringList alternatives;
        for (const QString& term : *terms)
            alternatives.append(quoted(term));
        groups.append(u'(' + alternatives.join(QStringLiteral(" OR ")) + u')');
    }
    return std::optional<QString>(groups.join(QStringLiteral(" AND ")));
}

// Without words: the entries table, newest first through its day index.
Statement byEntries(const SearchCriteria& criteria)
{
    Statement s;
    s.from = QStringLiteral("from caixa c left join contas a on a.id = c.idconta");
    if (criteria.amount)
        // The zeros name the partial indexes of the amounts.
        s.require(QStringLiteral("((c.entrada = ? and c.entrada <> 0) or "
                                 "(c.saida = ? and c.saida <> 0))"),
                  {criteria.amount->toDb(), criteria.amount->toDb()});
    if (criteria.from)
        s.require(QStringLiteral("c.data >= ?"), {Formats::dbDate(*criteria.from)});
    if (criteria.to)
        s.require(QStringLiteral("c.data < ?"), {Formats::dbDate(criteria.to->addDays(1))});
    if (criteria.accountId)
        s.require(QStringLiteral("c.idconta = ?"), {*criteria.accountId});
    s.order = QStringLiteral(" order by c.data desc, c.hora desc, c.id desc");
    return s;
}

// Words without an amount: the word index leads, in its own newest-first
// order, and stops at the limit.
Statement byWords(const SearchCriteria& criteria, const QString& match, bool joinEntries)
{
    Statement s;
    s.from = QStringLiteral("from caixa_busca");
    if (joinEntries)
        s.from += QStringLiteral(" join caixa c on c.id = caixa_busca.rowid % %1 "
                                 "left join contas a on a.id = c.idconta")
                      .arg(SearchIndex::kIdLimit);
    s.require(QStringLiteral("caixa_busca match ?"), {match});
    if (criteria.from)
        s.require(QStringLiteral("caixa_busca.rowid >= ?"),
                  {SearchIndex::firstKeyOf(*criteria.from)});
    if (criteria.to)
        s.require(QStringLiteral("caixa_busca.rowid < ?"),
                  {SearchIndex::firstKeyOf(criteria.to->addDays(1))});
    if (criteria.accountId)
        s.require(QStringLiteral("c.idconta = ?"), {*criteria.accountId});
    s.order = QStringLiteral(" order by caixa_busca.rowid desc");
    return s;
}

// The words of each account's name, by the account's id.
Result<QHash<qint64, QStringList>> accountWords(const QSqlDatabase& db)
{
    auto q = Sql::run(db, QStringLiteral("select id, descricao from contas"));
    if (!q)
        return q.status();
    QHash<qint64, QStringList> words;
    while (q->next())
        words.insert(q->value(0).toLongLong(), EntrySearch::words(q->value(1).toString()));
    return words;
}

// On a server book each word is looked for at the beginning of a word of
// the entry's folded text (ServerSearchIndex), which the trigram index
// answers, or of its account's name: accounts are few, so the ones whose
// name has such a word are found here and their entries taken by id.
Result<Statement> byFoldedText(const QSqlDatabase& db, const SearchCriteria& criteria,
                               const QStringList& words)
{
    const auto column = ServerSearchIndex::hasFoldedColumn(db);
    if (!column)
        return column.status();
    const auto accounts = accountWords(db);
    if (!accounts)
        return accounts.status();
    const QString folded = ServerSearchIndex::foldedText(QStringLiteral("c"), *column);
    Statement s = byEntries(criteria);
    for (const QString& word : words) {
        // The words hold letters and digits only: nothing in them is a pattern.
        QVariantList values{QStringLiteral("% ") + word + u'%'};
        QStringList marks;
        for (auto a = accounts->cbegin(); a != accounts->cend(); ++a) {
            const auto begins = [&word](const QString& w) { return w.startsWith(word); };
            if (std::any_of(a.value().cbegin(), a.value().cend(), begins)) {
                values.append(a.key());
                marks.append(QStringLiteral("?"));
            }
        }
        if (marks.isEmpty())
            s.require(folded + QStringLiteral(" like ?"), values);
        else
            s.require(QStringLiteral("(%1 like ? or c.idconta in (%2))")
                          .arg(folded, marks.join(QStringLiteral(", "))),
                      values);
    }
    return s;
}

// The statement for the criteria; nothing when a word is in no entry.
Result<std::optional<Statement>> statementFor(const QSqlDatabase& db,
                                              const SearchCriteria& criteria, bool forRows)
{
    const QStringList words = EntrySearch::words(criteria.words);
    if (words.isEmpty())
        return std::optional(byEntries(criteria));
    if (Sql::isServer(db)) {
        auto s = byFoldedText(db, criteria, words);
        if (!s)
            return s.status();
        return std::optional(std::move(*s));
    }
    const auto match = matchExpression(db, words);
    if (!match)
        return match.status();
    if (!*match)
        return std::optional<Statement>();
    if (!criteria.amount)
        return std::optional(byWords(criteria, **match, forRows || criteria.accountId));
    // An amount is found in few entries: they lead, and the index is asked
    // about each of them.
    Statement s = byEntries(criteria);
    s.require(QStringLiteral("exists (select 1 from caixa_busca where caixa_busca match ? and "
                             "caixa_busca.rowid = %1)")
                  .arg(SearchIndex::keySql(QStringLiteral("c"))),
              {**match});
    return std::optional(s);
}

// A statement that failed on a book without the word index says so.
Status failureOf(DbConnection& db, const Status& failure)
{
    const auto present = SearchIndex::exists(db);
    if (present && !*present)
        return Status::failure(tr("Este livro de caixa ainda não tem o índice de busca; ele é "
                                  "criado quando o programa abre o livro."));
    return failure;
}

} // namespace

bool SearchCriteria::isEmpty() const
{
    return EntrySearch::words(words).isEmpty() && !from && !to && !accountId && !amount;
}

EntrySearch::EntrySearch(DbConnection& db) : m_db(db) {}

QStringList EntrySearch::words(const QString& typed)
{
    QString folded;
    for (const QChar c : typed.normalized(QString::NormalizationForm_D)) {
        if (c.isMark())
            continue;
        folded += c.isLetterOrNumber() ? c : QChar(u' ');
    }
    return folded.toLower().split(u' ', Qt::SkipEmptyParts);
}

Result<QList<FoundEntry>> EntrySearch::find(const SearchCriteria& criteria, int limit) const
{
    const auto statement = statementFor(m_db.database(), criteria, true);
    if (!statement)
        return failureOf(m_db, statement.status());
    if (!*statement)
        return QList<FoundEntry>();
    QVariantList values = (*statement)->values;
    values.append(limit);
    RowReader row(m_db,
                  (*statement)->text(kColumns) + (*statement)->order + QStringLiteral(" limit ?"),
                  values);
    QList<FoundEntry> found;
    while (row.next()) {
        FoundEntry e;
        e.id = row.integer(0).value_or(0);
        e.data = row.date(1);
        e.hora = row.time(2);
        e.conta = row.text(3).toString();
        e.ndoc = row.text(4).toString();
        e.descricao = row.text(5).toString();
        e.entrada = row.money(6);
        e.saida = row.money(7);
        found.append(e);
    }
    if (Status status = row.status(); !status)
        return failureOf(m_db, status);
    return found;
}

Result<qint64> EntrySearch::count(const SearchCriteria& criteria) const
{
    const auto statement = statementFor(m_db.database(), criteria, false);
    if (!statement)
        return failureOf(m_db, statement.status());
    if (!*statement)
        return qint64(0);
    const auto counted =
        Sql::scalar(m_db.database(), (*statement)->text(QStringLiteral("select count(*) ")),
                    (*statement)->values);
    if (!counted)
        return failureOf(m_db, counted.status());
    return counted->toLongLong();
}

namespace {

// The server explains only a statement it runs with its values; the driver
// prepares a statement and runs it with its values in the text
// ("execute ... (values)"), so the same is done here, by the same driver's
// quoting, on a statement of its own.
Result<QStringList> serverPlan(const QSqlDatabase& db, const QString& sql,
                               const QVariantList& values)
{
    QString numbered;
    int mark = 0;
    for (const QChar c : sql)
        numbered += c == u'?' ? QStringLiteral("$%1").arg(++mark) : QString(c);
    QStringList literals;
    for (const QVariant& value : values) {
        QSqlField field(QString(), value.metaType());
        field.setValue(value);
        literals.append(db.driver()->formatValue(field));
    }
    if (Status prepared = Sql::exec(db, QStringLiteral("prepare livro_caixa_plano as ") + numbered);
        !prepared)
        return prepared;
    auto q = Sql::run(db, QStringLiteral("explain execute livro_caixa_plano (%1)")
                              .arg(literals.join(QStringLiteral(", "))));
    QStringList lines;
    while (q && q->next())
        lines.append(q->value(0).toString());
    // The statement goes whatever the plan gave; a failure to drop it only
    // leaves a name this function is alone to use, on this connection.
    static_cast<void>(Sql::exec(db, QStringLiteral("deallocate livro_caixa_plano")));
    if (!q)
        return q.status();
    return lines;
}

} // namespace

Result<QStringList> EntrySearch::plan(const SearchCriteria& criteria, int limit) const
{
    const QSqlDatabase db = m_db.database();
    const auto statement = statementFor(db, criteria, true);
    if (!statement)
        return statement.status();
    if (!*statement)
        return QStringList{tr("nada a procurar: uma palavra não está em nenhum lançamento")};
    QVariantList values = (*statement)->values;
    values.append(limit);
    const QString sql =
        (*statement)->text(kColumns) + (*statement)->order + QStringLiteral(" limit ?");
    if (Sql::isServer(db))
        return serverPlan(db, sql, values);
    auto q = Sql::run(db, QStringLiteral("explain query plan ") + sql, values);
    if (!q)
        return q.status();
    QStringList lines;
    while (q->next())
        lines.append(q->value(3).toString()); // the step, in SQLite's words
    return lines;
}
