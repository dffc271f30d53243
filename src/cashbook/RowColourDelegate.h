#pragma once

#include <QStyledItemDelegate>

// Paints the main grid's cells in their row's colours also when the row is
// selected: the toolkit's highlight would hide whether it is an amount
// received or paid out. The selected row gets a lighter tint of its own
// colour and a frame around it instead.
class RowColourDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
