#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

class DbConnection;

// What the user looks for. An entry is found when every typed word begins
// a word of its description, its document number or its account's name (in
// any order, whatever the case and the accents), its received or paid-out
// amount is the amount, its day is within the days and its account is the
// account; a criterion left empty takes every entry.
struct SearchCriteria
{
    QString words;
    std::optional<QDate> from; // both days included
    std::optional<QDate> to;
    std::optional<qint64> accountId;
    std::optional<Money> amount;

    bool isEmpty() const;
};

struct FoundEntry
{
    qint64 id = 0;
    QDate data;
    QTime hora;
    QString conta; // empty when the entry has no account, or its account is gone
    QString ndoc;
    QString descricao;
    std::optional<Money> entrada; // nothing when the column is null
    std::optional<Money> saida;
};

// Finds entries anywhere in the book, newest first (by day, time and id).
// Each engine answers from indexes of its own: on SQLite the word index of
// core/SearchIndex, which the book must have; on a server the folded texts
// of core/ServerSearchIndex, or, on a book without them, the texts folded
// as they are read.
class EntrySearch
{
public:
    // The first results a search returns.
    static constexpr int kFirstResults = 500;

    explicit EntrySearch(DbConnection& db);

    // The words of a typed text as the indexes hold them: in lower case,
    // without accents, split at anything that is not a letter or a digit.
    static QStringList words(const QString& typed);

    // The newest entries found, at most `limit`.
    Result<QList<FoundEntry>> find(const SearchCriteria& criteria, int limit = kFirstResults) const;
    // How many entries are found.
    Result<qint64> count(const SearchCriteria& criteria) const;
    // How the engine runs find() for the criteria, in its own words, a line
    // per step: which indexes a search uses.
    Result<QStringList> plan(const SearchCriteria& criteria, int limit = kFirstResults) const;

private:
    DbConnection& m_db;
};
