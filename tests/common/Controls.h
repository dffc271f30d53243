#pragma once

#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

// A control of a window, found by its object name as the tests drive it.
// A missing control stops the test program: every later step would fail.
template <typename T> T* control(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

// Shows a window and waits until it is the active one, so that the focus
// moves as a user sees it.
inline void showActive(QWidget& window)
{
    window.show();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("the window %s did not become active", qPrintable(window.objectName()));
}
