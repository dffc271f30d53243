#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <initializer_list>

class QAbstractButton;

// Keys that people who type all day expect to work where the toolkit alone
// would do nothing.
namespace Keyboard {

// Enter (either key) on a focused button presses it, as Space does.
void enterPresses(std::initializer_list<QAbstractButton*> buttons);

// Enter (either key) in the box runs the action instead of reaching the
// window.
void enterRuns(QWidget* box, std::function<void()> action);

// The window a modal window (a message, a form) was opened over takes the
// keyboard back when that one has closed. Most window managers give it back
// themselves; some, and a display without one, leave no window active, and
// every key pressed next (Insert on the grid after a refusal) would go
// nowhere. Made before the modal window, so that it acts once that is gone;
// without a parent, the window active at that moment is the one.
class BackToWindow
{
public:
    explicit BackToWindow(QWidget* parent);
    ~BackToWindow();
    BackToWindow(const BackToWindow&) = delete;
    BackToWindow& operator=(const BackToWindow&) = delete;

private:
    QPointer<QWidget> m_window;
};

} // namespace Keyboard
