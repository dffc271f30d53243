#pragma once

#include <QDate>
#include <QtGlobal>

#include <functional>
#include <optional>

class QWidget;

// Windows that open other windows ask the application's shell for them, so
// that no window library links another. Each call shows its window modally
// over the parent and returns when it closes, unless it says otherwise.
class Windows
{
public:
    virtual ~Windows() = default;

    // The entry form for a new entry (entryId 0) or for the entry with that
    // id. The saved entry's id; nothing when the form closed without saving.
    virtual std::optional<qint64> entryForm(QWidget* parent, qint64 entryId) = 0;
    virtual void accountRegister(QWidget* parent) = 0;
    virtual void userRegister(QWidget* parent) = 0;
    // The settings window; saved runs after each save, while it stays open.
    virtual void settings(QWidget* parent, const std::function<void()>& saved) = 0;
    virtual void reports(QWidget* parent) = 0;
    // "Localizar lançamentos", beside the parent and not modal: the call
    // returns at once, and a second call brings the open window forward.
    // A valid onlyDay keeps the search within that day; chosen runs with an
    // entry's day and id when the user opens a result.
    virtual void entrySearch(QWidget* parent, const QDate& onlyDay,
                             const std::function<void(const QDate&, qint64)>& chosen) = 0;
    // "Fechar o dia", for the active day at first. Whether a day was closed.
    virtual bool closeDay(QWidget* parent, const QDate& activeDay) = 0;
    // "Reabrir um dia". Whether a day was reopened.
    virtual bool reopenDay(QWidget* parent) = 0;
    // "Histórico de alterações", the change log: only for users of the
    // common level (anyone when login is off).
    virtual void changeHistory(QWidget* parent) = 0;
    // "Restaurar backup": a backup chosen, checked and put in the book's
    // place, the book reopened. True when the book was replaced (the caller
    // shows it anew); false when nothing changed.
    virtual bool restoreBackup(QWidget* parent) = 0;
    // The main window is closing, which ends the program: the backup at exit.
    virtual void mainWindowClosing(QWidget* window) = 0;
};
