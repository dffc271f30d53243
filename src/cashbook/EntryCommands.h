#pragma once

#include <QObject>

#include <functional>

class EntryGridModel;
class Status;
class QTableView;
class QWidget;
struct Session;

// Add, edit and delete entries from the main grid. Each opens the entry form
// or asks, then refreshes the grid through the given routine.
class EntryCommands final : public QObject
{
    Q_OBJECT

public:
    EntryCommands(Session& session, QTableView* grid, EntryGridModel* model,
                  std::function<void()> refresh, QWidget* window);

    void add();
    void edit();
    void remove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The grid row the commands act on: the row of the current cell.
    int selectedRow() const;
    // What the delete question names: the entry of that row.
    QString whatGoes(int row) const;
    void reportRemoveFailure(const Status& failure);

    Session& m_session;
    QTableView* m_grid;
    EntryGridModel* m_model;
    std::function<void()> m_refresh;
    QWidget* m_window;
};
