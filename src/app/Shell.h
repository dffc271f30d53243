#pragma once

#include "core/Windows.h"

#include <QPointer>

class EntrySearchWindow;
struct Session;

// Opens the program's windows for one another: the one place that knows
// every window library. Install it in the session before the first window.
class Shell final : public Windows
{
public:
    explicit Shell(Session& session);

    std::optional<qint64> entryForm(QWidget* parent, qint64 entryId) override;
    void accountRegister(QWidget* parent) override;
    void userRegister(QWidget* parent) override;
    void settings(QWidget* parent, const std::function<void()>& saved) override;
    void reports(QWidget* parent) override;
    void entrySearch(QWidget* parent, const QDate& onlyDay,
                     const std::function<void(const QDate&, qint64)>& chosen) override;
    bool closeDay(QWidget* parent, const QDate& activeDay) override;
    bool reopenDay(QWidget* parent) override;
    void changeHistory(QWidget* parent) override;
    bool restoreBackup(QWidget* parent) override;
    void mainWindowClosing(QWidget* window) override;

private:
    Session& m_session;
    // Goes with the window it was opened over.
    QPointer<EntrySearchWindow> m_search;
};
