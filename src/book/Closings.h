#pragma once

#include "core/Money.h"
#include "core/Result.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class DbConnection;

// Closing the day: the cash counted at the end of a day is recorded against
// the balance the book computes, and the book is then closed up to and
// including that day. No entry may be added, changed, moved to or from, or
// deleted on the latest closed day or any day before it, whoever writes:
// corrections are new entries (estornos) on a day still open. Reopening a
// day marks its closing, and every later one, reopened; a closing is never
// deleted. Each closing and reopening is in the change log.
class Closings
{
    Q_DECLARE_TR_FUNCTIONS(Closings)

public:
    struct Closing
    {
        qint64 id = 0;
        QDate day;
        Money computed; // the balance of all accounts after the day's entries
        Money counted;
        Money difference;              // counted - computed
        std::optional<qint64> entryId; // the entry that recorded the difference
        QString closedBy;
        QDateTime closedAt;
        QString closedOn; // the computer
        bool reopened = false;
        QString reopenedBy;
        QDateTime reopenedAt;
        QString reopenedOn;
        QString reopenReason;
    };

    struct AccountBalance
    {
        QString name; // "-" for entries of an account that no longer exists
        Money balance;
    };
    // What the book says a day ends with: all accounts, and each account.
    struct Balances
    {
        Money total;
        QList<AccountBalance> accounts; // in the order of account names
    };

    struct Request
    {
        QDate day;
        Money counted;
        // The account a difference is entered in, as "Quebra de caixa"
        // (paid out) or "Sobra de caixa" (received), dated on the day at the
        // moment of closing, in the closing's own transaction. Empty: the
        // difference is only recorded.
        QString differenceAccount;
        // The balance the person closing was shown and counted against. When
        // the book says otherwise by the time of closing (a desk saved an
        // entry of the day meanwhile), nothing is closed and the refusal
        // gives the new figure: no difference is recorded, or entered, that
        // nobody saw. Empty: whatever the book says then.
        std::optional<Money> shownComputed = std::nullopt;
    };

    explicit Closings(DbConnection& db);

    // The latest day closed and not reopened; an invalid date when none.
    Result<QDate> lockedThrough() const;
    // Success while entries of that day may be written; otherwise a refusal
    // (Status::Cause::Refused) that names the day and says how to correct.
    // Writers call it inside their transaction, so a day another desk
    // closed meanwhile counts.
    Status checkOpen(const QDate& day) const;
    static QString lockedText(const QDate& day, const QDate& lockedThrough);

    // The balances after every entry of the day.
    Result<Balances> balancesAt(const QDate& day) const;

    // Closes the day. Refused for a day not yet come, for a day already
    // closed (on or before the latest closed day): two desks closing one day
    // at once close it once; and for a balance other than the one shown.
    Result<Closing> close(const Request& request);

    // The open closings of the day and of every later day, by day.
    Result<QList<Closing>> openFrom(const QDate& day) const;
    // Reopens the day and every later closed day, with the reason, which is
    // required. Only a user of the common level may (anyone when login is
    // off). The closings reopened.
    Result<QList<Closing>> reopen(const QDate& day, const QString& reason);

    // Every closing of a day of the period, reopened or not, by day and
    // then in the order they were made.
    Result<QList<Closing>> ofPeriod(const QDate& first, const QDate& last) const;

    // "Quebra de caixa" for less cash than the book says, "Sobra de caixa"
    // for more.
    static QString differenceDescription(Money difference);

private:
    Result<Closing> closeWithin(const Request& request, const QDateTime& now);
    Result<QList<Closing>> read(const QString& where, const QVariantList& values) const;

    DbConnection& m_db;
};
