#include "cashbook/EntryCommands.h"

#include "book/Closings.h"
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

// The entry as the grid shows it: day and time, account, description and
// the amount it moved.
QString EntryCommands::whatGoes(int row) const
{
    const auto cell = [this, row](int column) { return m_model->cellText(row, column); };
    const bool movedIn = !m_model->rows().entrada(row).value_or(Money()).isZero();
    const QString amount = movedIn ? tr("Entrada: %1").arg(cell(EntryGridModel::Entrada))
                                   : tr("Saída: %1").arg(cell(EntryGridModel::Saida));
    return QStringList{
        tr("Data: %1 %2").arg(cell(EntryGridModel::Data), cell(EntryGridModel::Hora)),
        tr("Conta: %1").arg(cell(EntryGridModel::Conta)),
        tr("Descrição: %1").arg(cell(EntryGridModel::Descricao)), amount}
        .join(u'\n');
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
    // An entry of a closed day is refused before the question, not after the
    // user has said yes; the store checks again inside its transaction.
    if (Status open = Closings(m_session.db).checkOpen(m_model->rows().data(row)); !open) {
        reportRemoveFailure(open);
        return;
    }
    if (!m_session.dialogs.confirmDelete(m_window, tr("Excluir"),
                                         tr("Tem certeza que deseja excluir o registro?"),
                                         whatGoes(row)))
        return;
    if (Status removed = EntryStore(m_session.db).remove(m_model->rows().id(row)); !removed)
        reportRemoveFailure(removed);
    m_refresh();
}

void EntryCommands::reportRemoveFailure(const Status& failure)
{
    m_session.dialogs.reportFailure(m_window, tr("Erro"), failure,
                                    tr("o lançamento não foi excluído"),
                                    tr("Não foi possível excluir o lançamento:"));
}

// On the grid: Enter edits the row as a double-click does, Insert adds an
// entry as "Adicionar registro" does, and releasing Delete deletes.
bool EntryCommands::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (watched != m_grid || (!press && event->type() != QEvent::KeyRelease))
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!press && key->key() == Qt::Key_Delete && !m_session.CurrentUser.isRestricted()) {
        remove();
        return true;
    }
    if (!press || key->modifiers() & ~Qt::KeypadModifier)
        return QObject::eventFilter(watched, event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        edit();
        return true;
    }
    if (key->key() == Qt::Key_Insert) {
        add();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
