#include "entries/frmCadConta.h"

#include "ui_frmCadConta.h"

#include "book/AccountBook.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/WindowStyle.h"

#include <QHeaderView>
#include <QKeyEvent>

frmCadConta::frmCadConta(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmCadConta>()),
      m_accounts(std::make_unique<AccountBook>(session.db))
{
    m_ui->setupUi(this);
    WindowStyle::fixedToolWindow(this);

    TextBoxes::selectAllOnFocus(m_ui->txtConta);
    m_ui->txtConta->installEventFilter(this);
    m_ui->grade->installEventFilter(this);
    connect(m_ui->cmdLancar, &QPushButton::clicked, this, &frmCadConta::launch);
    connect(m_ui->Command1, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->grade, &QTableWidget::cellDoubleClicked, this, &frmCadConta::startRename);
    Keyboard::enterPresses({m_ui->cmdLancar, m_ui->Command1});
    // Enter after typing a name is "&Lançar".
    Keyboard::enterRuns(m_ui->txtConta, [this] { launch(); });

    SetUpGrid();
    FillAccountGrid();
    if (m_session.CurrentUser.isRestricted())
        m_ui->grade->setToolTip(
            tr("Usuários restritos podem cadastrar contas, mas não renomear nem excluir."));
}

frmCadConta::~frmCadConta() = default;

void frmCadConta::SetUpGrid()
{
    m_ui->grade->setRowCount(0);
    QHeaderView* header = m_ui->grade->horizontalHeader();
    header->resizeSection(0, 53);
    header->resizeSection(1, 233);
    header->resizeSection(2, 100);
    m_ui->grade->verticalHeader()->setDefaultSectionSize(20);
}

void frmCadConta::FillAccountGrid()
{
    QTableWidget* grid = m_ui->grade;
    grid->setRowCount(0);
    const auto accounts = m_accounts->accountsById();
    if (!accounts)
        return;
    for (const AccountBook::Account& account : *accounts) {
        const int row = grid->rowCount();
        grid->insertRow(row);
        auto* id = new QTableWidgetItem(QString::number(account.id));
        id->setBackground(palette().button());
        grid->setItem(row, 0, id);
        grid->setItem(row, 1, new QTableWidgetItem(account.name));
        const auto balance = m_accounts->ConsultaSaldo(account.id);
        auto* saldo = new QTableWidgetItem(balance ? balance->format() : QString());
        saldo->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, 2, saldo);
        grid->setCurrentCell(row, 1);
    }
}

void frmCadConta::launch()
{
    const QString name = AccountBook::normalizedName(m_ui->txtConta->text());
    m_ui->txtConta->setText(name);
    if (name.isEmpty())
        return;
    const bool renaming = m_editMode && m_editId >= 1;
    const auto result = renaming ? m_accounts->rename(m_editId, name) : m_accounts->create(name);
    if (!result) {
        reportFailure(renaming ? tr("Não foi possível renomear a conta.")
                               : tr("Não foi possível criar a conta."),
                      renaming ? tr("a conta não foi renomeada") : tr("a conta não foi criada"),
                      result.status());
        return;
    }
    switch (*result) {
    case AccountBook::Outcome::Ignored:
        if (!renaming || m_accounts->idOf(name).valueOr(std::nullopt))
            return; // the name exists already: nothing happens, edit mode stays as it was
        break;      // the account being renamed no longer exists
    case AccountBook::Outcome::Done:
    case AccountBook::Outcome::InUse:
        break;
    }
    if (renaming) {
        m_editMode = false;
        m_editId = 0;
    }
    m_ui->txtConta->clear();
    FillAccountGrid();
}

std::optional<AccountBook::Account> frmCadConta::currentAccount() const
{
    const int row = m_ui->grade->currentRow();
    if (row < 0 || !m_ui->grade->item(row, 0) || !m_ui->grade->item(row, 1))
        return std::nullopt;
    AccountBook::Account account;
    account.name = m_ui->grade->item(row, 1)->text();
    bool ok = false;
    account.id = m_ui->grade->item(row, 0)->text().toLongLong(&ok);
    if (!ok || account.name.isEmpty())
        return std::nullopt;
    return account;
}

void frmCadConta::startRename()
{
    const auto account = currentAccount();
    if (!account || refuseRestricted())
        return;
    m_editMode = true;
    m_editId = account->id;
    m_ui->txtConta->setText(account->name);
    m_ui->txtConta->setFocus();
}

void frmCadConta::deleteCurrent()
{
    const auto account = currentAccount();
    if (!account || refuseRestricted())
        return;
    const qint64 id = account->id;
    const auto inUse = m_accounts->isInUse(id);
    if (inUse && *inUse) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro"),
            tr("Não é possível excluir esta conta pois existem registros lançados que fazem "
               "referência a mesma!"));
        return;
    }
    if (!m_session.dialogs.confirmDelete(this, tr("Excluir"),
                                         tr("Tem certeza que deseja excluir o registro?"),
                                         tr("Conta: %1").arg(account->name)))
        return;
    const auto result = m_accounts->remove(id);
    if (!result) {
        reportFailure(tr("Não foi possível excluir a conta."), tr("a conta não foi excluída"),
                      result.status());
        return;
    }
    if (*result == AccountBook::Outcome::InUse) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro"),
            tr("Não é possível excluir esta conta pois existem registros lançados que fazem "
               "referência a mesma!"));
        return;
    }
    FillAccountGrid();
}

void frmCadConta::reportFailure(const QString& what, const QString& notDone, const Status& failure)
{
    m_session.dialogs.reportFailure(this, tr("Erro"), failure, notDone, what);
}

// Renaming an account rewrites the history of every entry and report that
// names it: restricted users may create accounts, not change or delete them.
bool frmCadConta::refuseRestricted()
{
    if (!m_session.CurrentUser.isRestricted())
        return false;
    m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, tr("Contas"),
                             tr("Usuários restritos podem cadastrar contas novas, mas não podem "
                                "renomear nem excluir contas."));
    return true;
}

bool frmCadConta::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->txtConta && event->type() == QEvent::FocusOut)
        m_ui->txtConta->setText(AccountBook::normalizedName(m_ui->txtConta->text()));
    if (watched == m_ui->grade && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteCurrent();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
