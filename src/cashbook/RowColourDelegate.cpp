#include "cashbook/RowColourDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {
constexpr int kTintPercent = 135;
}

void RowColourDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const bool selected = cell.state & QStyle::State_Selected;
    cell.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (selected && cell.backgroundBrush.style() != Qt::NoBrush)
        cell.backgroundBrush.setColor(cell.backgroundBrush.color().lighter(kTintPercent));
    const QWidget* view = cell.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
    if (!selected)
        return;

    // A black line outside a white one shows on any pair of colours. Only
    // the row's first and last cells draw its sides.
    const QRect r = option.rect;
    const bool first = index.column() == 0;
    const bool last = index.column() == index.model()->columnCount(index.parent()) - 1;
    const auto frame = [&](int inset, int width, const QColor& colour) {
        const int left = r.left() + (first ? inset : 0);
        const int right = r.right() - (last ? inset : 0);
        const int top = r.top() + inset;
        const int bottom = r.bottom() - inset;
        painter->fillRect(QRect(QPoint(left, top), QPoint(right, top + width - 1)), colour);
        painter->fillRect(QRect(QPoint(left, bottom - width + 1), QPoint(right, bottom)), colour);
        if (first)
            painter->fillRect(QRect(QPoint(left, top), QPoint(left + width - 1, bottom)), colour);
        if (last)
            painter->fillRect(QRect(QPoint(right - width + 1, top), QPoint(right, bottom)), colour);
    };
    frame(0, 2, Qt::black);
    frame(2, 1, Qt::white);
}
