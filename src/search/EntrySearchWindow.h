#pragma once

#include "book/EntrySearch.h"

#include <QDate>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class EntrySearchWindow;
}
class FoundEntriesModel;
class QLineEdit;
class SearchWorker;
struct Session;

// "Localizar lançamentos": finds entries anywhere in the book by words,
// days, account and amount, and opens the one the user picks in the main
// window. It stays open beside the main window for the next search; the
// results follow the typing after a short pause, searched off the window's
// thread.
class EntrySearchWindow final : public QDialog
{
    Q_OBJECT

public:
    using Chosen = std::function<void(const QDate& day, qint64 id)>;

    EntrySearchWindow(Session& session, QWidget* parent);
    ~EntrySearchWindow() override;

    // Shows the window in front, the words selected to be typed over, and
    // searches again, since the book may have changed meanwhile. A valid
    // onlyDay keeps the search within that day (a restricted user's grid);
    // chosen runs when the user opens a result.
    void bringForward(const QDate& onlyDay, Chosen chosen);

    // How long typing must pause before the results follow it.
    static constexpr int kRefineDelayMs = 300;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the boxes hold: the criteria, or the box whose text cannot be
    // read and why.
    struct Reading
    {
        std::optional<SearchCriteria> criteria;
        QLineEdit* box = nullptr;
        QString problem;
    };

    void setUpGrid();
    void connectControls();
    void loadAccounts();
    void applyDayLimit();
    Reading readCriteria() const;
    std::optional<QDate> readDay(QLineEdit* box, const QString& problem, Reading& reading) const;
    void searchNow();
    void refine();
    void start(const SearchCriteria& criteria);
    void showRows(quint64 request, const Result<QList<FoundEntry>>& rows);
    void showCount(quint64 request, const Result<qint64>& total);
    void openEntry(const QModelIndex& index);
    void showHint(const QString& text);

    Session& m_session;
    std::unique_ptr<Ui::EntrySearchWindow> m_ui;
    FoundEntriesModel* m_model = nullptr;
    SearchWorker* m_worker = nullptr;
    QTimer m_refine;
    QDate m_onlyDay;
    Chosen m_chosen;
    quint64 m_request = 0;
};
