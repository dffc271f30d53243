#pragma once

#include <QObject>

class QLineEdit;

// Behaviours the program's text boxes share.
namespace TextBoxes {

// The whole text is selected whenever the box receives the focus, also by a
// mouse click.
void selectAllOnFocus(QLineEdit* box);

// Only digits reach the box (and the editing keys); other characters typed
// are discarded and pasted text that is not digits is refused.
void acceptDigitsOnly(QLineEdit* box, int maxDigits);

} // namespace TextBoxes
