#include "search/FoundEntriesModel.h"

#include "core/Formats.h"

#include <algorithm>

FoundEntriesModel::FoundEntriesModel(QObject* parent) : QAbstractTableModel(parent) {}

void FoundEntriesModel::setEntries(QList<FoundEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

int FoundEntriesModel::rowOf(qint64 entryId) const
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const FoundEntry& e) { return e.id == entryId; });
    return found == m_entries.end() ? -1 : int(found - m_entries.begin());
}

int FoundEntriesModel::widthInTwips(int column)
{
    static constexpr int widths[ColumnCount] = {1100, 900, 2000, 1800, 4500, 1200, 1200};
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

int FoundEntriesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int FoundEntriesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FoundEntriesModel::cellText(const FoundEntry& entry, int column)
{
    switch (column) {
    case Data:
        return Formats::date(entry.data);
    case Hora:
        return Formats::time(entry.hora);
    case Conta:
        // As the main grid shows an entry without an account.
        return entry.conta.isEmpty() ? QStringLiteral("-") : entry.conta;
    case NDoc:
        return entry.ndoc;
    case Descricao:
        return entry.descricao;
    case Entrada:
        return formatMoney(entry.entrada);
    case Saida:
        return formatMoney(entry.saida);
    default:
        return QString();
    }
}

QVariant FoundEntriesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return cellText(m_entries.at(index.row()), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Entrada || index.column() == Saida))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant FoundEntriesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case Data:
        return tr("Data");
    case Hora:
        return tr("Hora");
    case Conta:
        return tr("Conta");
    case NDoc:
        return tr("N. Doc.");
    case Descricao:
        return tr("Descrição");
    case Entrada:
        return tr("Entrada");
    case Saida:
        return tr("Saída");
    default:
        return QVariant();
    }
}
