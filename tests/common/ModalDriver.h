#pragma once

#include "Controls.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Drives a modal window that the code under test opens with exec(): the
// action runs once a window of type T is the active modal window, and is
// expected to close it. Nested windows can be driven from inside an action.
// When none appears within `withinMs` milliseconds (looked for every 10 ms),
// nothing happens: the time is the clock's, not a count of looks, so a
// driver that watches for a window that must not open is over once its time
// has passed, however busy the machine was meanwhile. A driver also belongs
// to the test case that set it up: once another case runs it stops, so it
// can never act, on variables long gone, in a later case.
template <typename T> void whenModal(std::function<void(T*)> action, int withinMs = 5000)
{
    const QByteArray testCase =
        QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    const QDeadlineTimer deadline(withinMs);
    auto look = std::make_shared<std::function<void()>>();
    *look = [action = std::move(action), testCase, deadline, weakLook = std::weak_ptr(look)] {
        if (testCase != QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag())
            return;
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            action(window);
            return;
        }
        if (deadline.hasExpired())
            return;
        if (auto again = weakLook.lock())
            QTimer::singleShot(10, [again] { (*again)(); });
    };
    QTimer::singleShot(0, [look] { (*look)(); });
}
