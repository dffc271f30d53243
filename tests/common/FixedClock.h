#pragma once

#include "core/Clock.h"

// A clock that says what the test tells it.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(const QDateTime& now = QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9)))
        : m_now(now)
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
};
