#pragma once

#include "Controls.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Drives a modal window that the code under test opens with exec(): the
// action runs once a window of type T is the active modal window, and is
// expected to close it. Nested windows can be driven from inside an action.
// When none appears within the attempts (10 ms apart), nothing happens. A
// driver belongs to the test case that set it up: once another case runs it
// stops, so a window that never opened cannot leave it to act, on variables
// long gone, in a later case.
template <typename T>
void whenModal(std::function<void(T*)> action, int attemptsLeft = 500,
               QByteArray testCase = QByteArray())
{
    if (testCase.isNull())
        testCase = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    QTimer::singleShot(10, [action = std::move(action), attemptsLeft,
                            testCase = std::move(testCase)]() mutable {
        if (testCase != QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag())
            return;
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            action(window);
            return;
        }
        if (attemptsLeft > 0)
            whenModal<T>(std::move(action), attemptsLeft - 1, std::move(testCase));
    });
}
