#pragma once

#include "book/EntrySearch.h"

#include <QAbstractTableModel>

// The entries a search found, one row each, newest first: day, time,
// account, document, description, received and paid out.
class FoundEntriesModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Data, Hora, Conta, NDoc, Descricao, Entrada, Saida, ColumnCount };

    explicit FoundEntriesModel(QObject* parent = nullptr);

    void setEntries(QList<FoundEntry> entries);
    const FoundEntry& entry(int row) const { return m_entries.at(row); }
    // The row of an entry; -1 when it was not found.
    int rowOf(qint64 entryId) const;
    // The width a column opens with, in twips like the main grid's.
    static int widthInTwips(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    static QString cellText(const FoundEntry& entry, int column);

    QList<FoundEntry> m_entries;
};
