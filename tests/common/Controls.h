#pragma once

#include <QObject>
#include <QString>

// A control of a window, found by its object name as the tests drive it.
// A missing control stops the test program: every later step would fail.
template <typename T> T* control(const QObject& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}
