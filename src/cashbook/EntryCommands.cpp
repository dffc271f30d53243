#include "cashbook/EntryCommands.h"

#include "book/EntryStore.h"
#include "cashbook/EntryGridModel.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "core/Windows.h"

#include <QKeyEvent>
#include <QTableView>

EntryCommands::EntryCommands(Session& session, QTableView* grid, EntryGridModel* model,
                             std::function<void()> refresh, QWidget* window)
    : QObject(window), m_session(session), m_grid(grid), m_model(model),
      m_refresh(std::move(refresh)), m_window(window)
{
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableView::doubleClicked, this, &EntryCommands::edit);
}

int EntryCommands::selectedRow() const
{
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() && current.row() < m_model->rowCount() ? current.row() : -1;
}

void EntryCommands::add()
{
    if (m_session.windows->entryForm(m_window, 0))
        m_refresh();
}

void EntryCommands::edit()
{
    const int row = selectedRow();
    if (row < 0 || m_model->cellText(row, EntryGridModel::Id).isEmpty() ||
        m_session.CurrentUser.isRestricted())
        return;
    m_session.windows->entryForm(m_window, m_model->rows().id(row));
    m_refresh();
}

void EntryCommands::remove()
{
    const int row = selectedRow();
    if (row < 0 || m_model->cellText(row, EntryGridModel::Data).isEmpty())
        return;
    if (!m_session.dialogs.askYesNo(m_window, tr("Excluir"),
                                    tr("Tem certeza que deseja excluir o registro?")))
        return;
    if (Status removed = EntryStore(m_session.db).remove(m_model->rows().id(row)); !removed) {
        m_session.dialogs.reportFailure(m_window, tr("Erro"), removed,
                                        tr("o lançamento não foi excluído"),
                                        tr("Não foi possível excluir o lançamento:"));
    }
    m_refresh();
}

bool EntryCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        !m_session.CurrentUser.isRestricted()) {
        remove();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
