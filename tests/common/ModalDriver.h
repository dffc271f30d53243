#pragma once

#include "Controls.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Drives a modal window that the code under test opens with exec(): the
// action runs once a window of type T is the active modal window, and is
// expected to close it. Nested windows can be driven from inside an action.
// When none appears within the attempts (10 ms apart), nothing happens.
template <typename T> void whenModal(std::function<void(T*)> action, int attemptsLeft = 500)
{
    QTimer::singleShot(10, [action = std::move(action), attemptsLeft]() mutable {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            action(window);
            return;
        }
        if (attemptsLeft > 0)
            whenModal<T>(std::move(action), attemptsLeft - 1);
    });
}
