#include "widgets/Keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

namespace Keyboard {

namespace {

bool isEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

class EnterFilter final : public QObject
{
public:
    EnterFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), m_action(std::move(action))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!isEnter(event))
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void enterPresses(std::initializer_list<QAbstractButton*> buttons)
{
    for (QAbstractButton* button : buttons) {
        button->installEventFilter(new EnterFilter(button, [button] {
            if (button->isEnabled())
                button->click();
        }));
    }
}

void enterRuns(QWidget* box, std::function<void()> action)
{
    box->installEventFilter(new EnterFilter(box, std::move(action)));
}

BackToWindow::BackToWindow(QWidget* parent)
    : m_window(parent ? parent->window() : QApplication::activeWindow())
{
}

BackToWindow::~BackToWindow()
{
    if (m_window && m_window->isVisible() && !m_window->isActiveWindow())
        m_window->activateWindow();
}

} // namespace Keyboard
