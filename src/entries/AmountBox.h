#pragma once

#include <QString>

class QLineEdit;

// The amount boxes of the entry form.
namespace AmountBox {

// What a box shows after it loses the focus: "0,00" for an empty box, the
// amount formatted "#,##0.00" for a readable amount, the text as typed for
// an amount too large to keep (the save says so), and an empty box for
// anything else (a lone minus sign, "1/2").
QString normalized(const QString& text);

// An amount written well but too large for the book.
bool isTooLarge(const QString& text);

// Only the keys an amount needs reach the box (digits, "," "-" "." "/",
// backspace, enter, escape and the editing keys); a "." is typed as ",".
void filterKeys(QLineEdit* box);

} // namespace AmountBox
