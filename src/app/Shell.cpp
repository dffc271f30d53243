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

Shell::Shell(Session& session) : m_session(session)
{
    m_session.windows = this;
}

std::optional<qint64> Shell::entryForm(QWidget* parent, qint64 entryId)
{
    frmCadCaixa form(m_session, entryId, parent);
    form.exec();
    return form.savedId();
}

void Shell::accountRegister(QWidget* parent)
{
    frmCadConta(m_session, parent).exec();
}

void Shell::userRegister(QWidget* parent)
{
    frmCadUsuarios(m_session, parent).exec();
}

void Shell::settings(QWidget* parent, const std::function<void()>& saved)
{
    frmOpcoes window(m_session, parent);
    QObject::connect(&window, &frmOpcoes::saved, &window, saved);
    window.exec();
}

void Shell::reports(QWidget* parent)
{
    frmRel(m_session, parent).exec();
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
    window.exec();
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
    return frmReabrirDia(m_session, parent).exec() == QDialog::Accepted;
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
    frmHistorico(m_session, parent).exec();
}

bool Shell::restoreBackup(QWidget* parent)
{
    if (!BackupRestore::possible(parent, m_session))
        return false;
    RestoreWindow window(m_session, parent);
    if (window.exec() != QDialog::Accepted)
        return false;
    return BackupRestore::run(parent, m_session, window.chosenBackup());
}

void Shell::mainWindowClosing(QWidget* window)
{
    ExitBackup::run(window, m_session);
}
