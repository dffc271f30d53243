#pragma once

#include "core/Money.h"
#include "reports/BandEngine.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

class DbConnection;

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
class CashBookRows final : public ReportDataSource
{
public:
    enum Column { Data, Hora, IdConta, NDoc, Descricao, Entrada, Saida };

    // The movement (in minus out) of each day of the period, of all accounts;
    // nothing for a day whose sums do not fit the money type.
    using DayMovements = QHash<QDate, std::optional<Money>>;

    // Reads the entries and the day sums. False, with the reason, when the
    // book could not be read.
    bool read(DbConnection& db, const CashBookRequest& request);
    const QString& error() const { return m_error; }

    const QList<CashBookEntry>& entries() const { return m_entries; }
    const DayMovements& dayMovements() const { return m_days; }
    bool dayMovementsRead() const { return m_daysRead; }
    // For building rows without a book.
    void setEntries(QList<CashBookEntry> entries) { m_entries = std::move(entries); }

    qsizetype rowCount() const override { return m_entries.size(); }
    int columnOf(const QString& field) const override;
    QString fieldText(qsizetype row, int column, const QString& format) const override;

private:
    bool readEntries(DbConnection& db, const CashBookRequest& request);
    bool readDayMovements(DbConnection& db, const CashBookRequest& request);
    QString shownDate(const QDate& date) const;
    QString shownTime(const QTime& time) const;

    QList<CashBookEntry> m_entries;
    DayMovements m_days;
    bool m_daysRead = false;
    QString m_error;
    mutable QDate m_lastDate;
    mutable QString m_lastDateText;
    mutable QHash<int, QString> m_timeTexts;
};
