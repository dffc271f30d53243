#include "app/Shell.h"

#include "app/BackupRestore.h"
#include "app/ExitBackup.h"
#include "closings/frmFecharDia.h"
#include "closings/frmReabrirDia.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"
#include "reports/frmHistorico.h"
#include "reports/frmRel.h"
#include "search/EntrySearchWindow.h"
#include "settings/RestoreWindow.h"
#include "settings/frmOpcoes.h"
#include "users/frmCadUsuarios.h"
#include "widgets/Keyboard.h"

namespace {

// The window it was opened over has the keyboard again once it closes.
int shownModally(QDialog& window)
{
    const Keyboard::BackToWindow keyboard(window.parentWidget());
    return window.exec();
}

} // namespace

Shell::Shell(Session& session) : m_session(session)
{
    m_session.windows = this;
}

std::optional<qint64> Shell::entryForm(QWidget* parent, qint64 entryId)
{
    frmCadCaixa form(m_session, entryId, parent);
    shownModally(form);
    return form.savedId();
}

void Shell::accountRegister(QWidget* parent)
{
    frmCadConta window(m_session, parent);
    shownModally(window);
}

void Shell::userRegister(QWidget* parent)
{
    frmCadUsuarios window(m_session, parent);
    shownModally(window);
}

void Shell::settings(QWidget* parent, const std::function<void()>& saved)
{
    frmOpcoes window(m_session, parent);
    QObject::connect(&window, &frmOpcoes::saved, &window, saved);
    shownModally(window);
}

void Shell::reports(QWidget* parent)
{
    frmRel window(m_session, parent);
    shownModally(window);
}

void Shell::entrySearch(QWidget* parent, const QDate& onlyDay,
                        const std::function<void(const QDate&, qint64)>& chosen)
{
    if (m_search && m_search->parentWidget() != parent)
        delete m_search;
    if (!m_search)
        m_search = new EntrySearchWindow(m_session, parent);
    m_search->bringForward(onlyDay, chosen);
}

bool Shell::closeDay(QWidget* parent, const QDate& activeDay)
{
    frmFecharDia window(m_session, activeDay, parent);
    shownModally(window);
    return window.closing().has_value();
}

bool Shell::reopenDay(QWidget* parent)
{
    if (m_session.CurrentUser.isRestricted()) {
        m_session.dialogs.inform(parent, Dialogs::Icon::Exclamation, QObject::tr("Reabrir um dia"),
                                 QObject::tr("Somente um usuário de nível comum pode reabrir um "
                                             "dia."));
        return false;
    }
    frmReabrirDia window(m_session, parent);
    return shownModally(window) == QDialog::Accepted;
}

void Shell::changeHistory(QWidget* parent)
{
    if (m_session.CurrentUser.isRestricted()) {
        m_session.dialogs.inform(parent, Dialogs::Icon::Exclamation,
                                 QObject::tr("Histórico de alterações"),
                                 QObject::tr("Somente um usuário de nível comum pode ver o "
                                             "histórico de alterações."));
        return;
    }
    frmHistorico window(m_session, parent);
    shownModally(window);
}

bool Shell::restoreBackup(QWidget* parent)
{
    if (!BackupRestore::possible(parent, m_session))
        return false;
    RestoreWindow window(m_session, parent);
    if (shownModally(window) != QDialog::Accepted)
        return false;
    return BackupRestore::run(parent, m_session, window.chosenBackup());
}

void Shell::mainWindowClosing(QWidget* window)
{
    ExitBackup::run(window, m_session);
}
