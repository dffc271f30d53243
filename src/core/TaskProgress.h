#pragma once

#include <QtGlobal>

#include <atomic>

// What a task running off the UI thread shares with the window that started
// it: which stage it is in, how far it got out of how much, and whether the
// user asked it to stop. Every member may be used from any thread.
class TaskProgress
{
public:
    // A new stage, counted from 0 up to total.
    void startStage(int stage, qint64 total)
    {
        m_done.store(0, std::memory_order_relaxed);
        m_total.store(total, std::memory_order_relaxed);
        m_stage.store(stage, std::memory_order_release);
    }
    void setDone(qint64 done) { m_done.store(done, std::memory_order_relaxed); }
    int stage() const { return m_stage.load(std::memory_order_acquire); }
    qint64 done() const { return m_done.load(std::memory_order_relaxed); }
    qint64 total() const { return m_total.load(std::memory_order_relaxed); }

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    std::atomic<int> m_stage{0};
    std::atomic<qint64> m_done{0};
    std::atomic<qint64> m_total{0};
    std::atomic<bool> m_cancelled{false};
};
