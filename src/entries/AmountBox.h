#pragma once

#include "core/Money.h"

#include <QString>

#include <optional>

class QLineEdit;

// The amount boxes of the entry form.
namespace AmountBox {

// A typed amount as the box reads it. The dot is typed as a comma, so a
// comma may be the decimal comma or a thousands separator: with several, the
// last is the decimal comma and the others group thousands ("1,234,56" is
// 1.234,56); a single one followed by exactly three digits, after one to
// three digits that do not start with 0, groups thousands ("1,500" is
// 1.500,00), and so do several that all do ("1,234,567"). Dots, as the box
// shows a formatted amount, always group thousands. More than two decimals,
// misplaced separators and anything that is no number are refused with the
// reason, never rounded or emptied.
struct Reading
{
    std::optional<Money> amount; // nothing when refused
    QString shown;               // what the box shows: the formatted amount, or the text as typed
    QString problem;             // why it was refused, in words for the user
};

// An empty box reads as 0,00.
Reading read(const QString& text);

// Only the keys an amount needs reach the box (digits, "," "-" "." "/",
// backspace, enter, escape and the editing keys); a "." is typed as ",".
void filterKeys(QLineEdit* box);

} // namespace AmountBox
