#pragma once

#include <functional>
#include <initializer_list>

class QAbstractButton;
class QWidget;

// Keys that people who type all day expect to work where the toolkit alone
// would do nothing.
namespace Keyboard {

// Enter (either key) on a focused button presses it, as Space does.
void enterPresses(std::initializer_list<QAbstractButton*> buttons);

// Enter (either key) in the box runs the action instead of reaching the
// window.
void enterRuns(QWidget* box, std::function<void()> action);

} // namespace Keyboard
