#include "cashbook/EntryGridModel.h"

#include "core/Formats.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace {

// A small padlock, drawn once: the mark of a closed day's rows, beside
// the id, where it hides nothing.
QPixmap padlock()
{
    static const QPixmap picture = [] {
        QPixmap p(12, 12);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(90, 90, 90), 1.5));
        painter.drawArc(QRectF(3, 1, 6, 7), 0, 180 * 16);
        painter.drawLine(QPointF(3, 4.5), QPointF(3, 6));
        painter.drawLine(QPointF(9, 4.5), QPointF(9, 6));
        painter.fillRect(QRectF(1.5, 5.5, 9, 6), QColor(90, 90, 90));
        return p;
    }();
    return picture;
}

} // namespace

EntryGridModel::EntryGridModel(QObject* parent) : QAbstractTableModel(parent) {}

bool EntryGridModel::setEntries(EntryRows rows, Money openingBalance,
                                QHash<qint64, QString> accountNames, const Colours& colours)
{
    Money balance = openingBalance;
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const auto withIn = balance.plus(rows.entrada(row).value_or(Money()));
        const auto withOut =
            withIn ? withIn->minus(rows.saida(row).value_or(Money())) : std::nullopt;
        if (!withOut) {
            clear();
            return false;
        }
        balance = *withOut;
        rows.setBalance(row, balance);
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_accountNames = std::move(accountNames);
    m_colours = colours;
    endResetModel();
    return true;
}

void EntryGridModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_accountNames.clear();
    endResetModel();
}

void EntryGridModel::setClosedThrough(const QDate& day)
{
    if (day == m_closedThrough)
        return;
    m_closedThrough = day;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

bool EntryGridModel::isClosedDay(int row) const
{
    const QDate day = m_rows.data(row);
    return m_closedThrough.isValid() && day.isValid() && day <= m_closedThrough;
}

int EntryGridModel::rowOf(qint64 entryId) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows.id(row) == entryId)
            return int(row);
    }
    return -1;
}

QString EntryGridModel::Exibir_Conta(qint64 idc) const
{
    const auto it = m_accountNames.constFind(idc);
    return it == m_accountNames.constEnd() ? QStringLiteral("-") : it.value();
}

int EntryGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EntryGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool EntryGridModel::isReceived(int row) const
{
    return m_rows.entrada(row).value_or(Money()).isPositive();
}

QString EntryGridModel::cellText(int row, int column) const
{
    switch (column) {
    case Id:
        return QString::number(m_rows.id(row));
    case Data:
        return Formats::date(m_rows.data(row));
    case Hora:
        return Formats::time(m_rows.hora(row));
    case Conta: {
        const auto idc = m_rows.idconta(row);
        return idc ? Exibir_Conta(*idc) : QString();
    }
    case NDoc:
        return m_rows.ndoc(row).toString();
    case Descricao:
        return m_rows.descricao(row).toString();
    case Entrada:
        return formatMoney(m_rows.entrada(row));
    // An entry without an amount paid out shows "0,00" there.
    case Saida:
        return m_rows.saida(row).value_or(Money()).format();
    case Saldo:
        return m_rows.balance(row).format();
    default:
        return QString();
    }
}

QVariant EntryGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(row, index.column());
    case Qt::BackgroundRole:
        return isReceived(row) ? m_colours.receivedBackground : m_colours.paidBackground;
    case Qt::ForegroundRole:
        return isReceived(row) ? m_colours.receivedText : m_colours.paidText;
    case Qt::FontRole:
        if (isClosedDay(row)) {
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        return QVariant();
    case Qt::DecorationRole:
        return index.column() == Id && isClosedDay(row) ? QVariant(padlock()) : QVariant();
    case Qt::ToolTipRole:
        return isClosedDay(row) ? tr("Dia fechado: para corrigir, lance um estorno em um dia "
                                     "aberto.")
                                : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() >= Entrada || index.column() == Id)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant EntryGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Id:
        return tr("ID.");
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
    case Saldo:
        return tr("Saldo");
    default:
        return QVariant();
    }
}

int EntryGridModel::widthInTwips(int column)
{
    static constexpr int widths[ColumnCount] = {800, 1100, 900, 2000, 1800, 4500, 1200, 1200, 1200};
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}
