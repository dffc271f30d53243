#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

class DbConnection;
class TaskProgress;

// What the cash-book report lists: the entries of a period, of one account
// or of all (accountId 0).
struct CashBookRequest
{
    QDate first;
    QDate last;
    qint64 accountId = 0;
};

struct CashBookEntry
{
    QDate data;
    QTime hora;
    std::optional<qint64> idconta;
    QString conta; // the account's name; empty when the entry has none
    QString ndoc;
    QString descricao;
    std::optional<Money> entrada; // nothing when the column is null
    std::optional<Money> saida;
};

// The report's rows, ordered by date, time and id, with the account names
// and the day sums read once for the whole run.
struct ReportRows
{
    // The movement (in minus out) of each day of the period, of all accounts;
    // nothing for a day whose sums do not fit the money type.
    using DayMovements = QHash<QDate, std::optional<Money>>;

    QList<CashBookEntry> entries;
    DayMovements days;
    // Without the day sums the report still lists the entries; only the day
    // footers stay blank.
    bool dayMovementsRead = false;

    // Reads the entries and the day sums; a failure when the entries could
    // not be read. Texts that recur (descriptions, document numbers, account
    // names) are held once, however many entries share them.
    static Result<ReportRows> read(DbConnection& db, const CashBookRequest& request,
                                   TaskProgress* progress = nullptr);
};

// Everything one report run reads from the book, as one moment of it: the
// balance before the first day (of the chosen account only, when there is
// one), the entries and the day sums, all in one read transaction, which
// ends before the report is laid out so that no save waits for the layout.
struct ReportInput
{
    Money openingBalance;
    ReportRows rows;

    // The first entries of a long period, handed over while the rest are
    // still read (in the same transaction): enough for a report's first
    // page, which can then be shown before the whole period is read.
    struct FirstPart
    {
        qsizetype entries = 0;
        std::function<void(ReportInput part)> read;
    };

    // Counts the entries read in progress, and stops early (with a failure)
    // when it is cancelled.
    static Result<ReportInput> read(DbConnection& db, const CashBookRequest& request,
                                    TaskProgress* progress, const FirstPart& firstPart);
    static Result<ReportInput> read(DbConnection& db, const CashBookRequest& request,
                                    TaskProgress* progress = nullptr);
};
