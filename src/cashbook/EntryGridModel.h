#pragma once

#include "book/EntryRows.h"
#include "core/Money.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QDate>
#include <QHash>

// The nine columns of the main grid over the entries of the active period.
// Cells are formatted when the view asks for them, so only what is visible
// costs anything.
class EntryGridModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Id, Data, Hora, Conta, NDoc, Descricao, Entrada, Saida, Saldo, ColumnCount };

    struct Colours
    {
        QColor receivedBackground;
        QColor receivedText;
        QColor paidBackground;
        QColor paidText;
    };

    explicit EntryGridModel(QObject* parent = nullptr);

    // Takes the rows and adds them up from the opening balance. False, with
    // the grid left empty, when a running balance would not fit the money type.
    bool setEntries(EntryRows rows, Money openingBalance, QHash<qint64, QString> accountNames,
                    const Colours& colours);
    void clear();
    // Rows of days on or before this one are of closed days: shown in
    // italics with a padlock beside the id. Invalid: no day is closed.
    void setClosedThrough(const QDate& day);
    bool isClosedDay(int row) const;

    const EntryRows& rows() const { return m_rows; }
    // The row of an entry; -1 when the grid does not list it.
    int rowOf(qint64 entryId) const;
    // The account's name, "-" for an account that does not exist.
    QString Exibir_Conta(qint64 idc) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The text a cell shows, as the commands on entries read it.
    QString cellText(int row, int column) const;
    static int widthInTwips(int column);

private:
    bool isReceived(int row) const;

    EntryRows m_rows;
    QHash<qint64, QString> m_accountNames;
    Colours m_colours;
    QDate m_closedThrough;
};
