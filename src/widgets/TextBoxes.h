#pragma once

#include <QObject>

class QLineEdit;
class QWidget;

// Behaviours the program's text boxes share.
namespace TextBoxes {

// The whole text is selected whenever the box (a line or a text edit)
// receives the focus, also by a mouse click.
void selectAllOnFocus(QWidget* box);

// Only digits reach the box (and the editing keys); other characters typed
// are discarded and pasted text that is not digits is refused.
void acceptDigitsOnly(QLineEdit* box, int maxDigits);

} // namespace TextBoxes
