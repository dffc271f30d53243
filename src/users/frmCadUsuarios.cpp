#include "users/frmCadUsuarios.h"

#include "ui_frmCadUsuarios.h"

#include "book/UserStore.h"
#include "core/Dialogs.h"
#include "core/Session.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/WindowStyle.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

frmCadUsuarios::frmCadUsuarios(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmCadUsuarios>()),
      m_users(std::make_unique<UserStore>(session.db))
{
    m_ui->setupUi(this);
    WindowStyle::fixedToolWindow(this);
    m_ui->txtPerguntaSecreta->setCurrentIndex(-1);
    for (QLineEdit* box :
         {m_ui->txtNome, m_ui->txtUsuario, m_ui->txtSenha, m_ui->txtConfSenha, m_ui->txtEmail,
          m_ui->txtPerguntaSecreta->lineEdit(), m_ui->txtRespostaSecreta, m_ui->txtDicaSenha}) {
        TextBoxes::selectAllOnFocus(box);
        box->installEventFilter(this);
    }
    m_ui->txtPerguntaSecreta->installEventFilter(this);
    m_ui->grade->installEventFilter(this);
    connect(m_ui->btnSalvar, &QToolButton::clicked, this, &frmCadUsuarios::save);
    connect(m_ui->btnCancelar, &QToolButton::clicked, this, &QDialog::reject);
    Keyboard::enterPresses({m_ui->btnSalvar, m_ui->btnCancelar});
    connect(m_ui->grade, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { loadUser(row); });
    SetUpGrid();
    fillUserGrid();
}

frmCadUsuarios::~frmCadUsuarios() = default;

QString frmCadUsuarios::properCase(const QString& text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar& c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result;
}

void frmCadUsuarios::SetUpGrid()
{
    m_ui->grade->setRowCount(0);
    m_ui->grade->setColumnHidden(0, true); // the id, used to delete
    m_ui->grade->horizontalHeader()->resizeSection(1, 2000 / 15);
    m_ui->grade->horizontalHeader()->setStretchLastSection(true);
}

// After a fill no row is current or selected: the Delete key acts on a
// row only once the user has picked it.
void frmCadUsuarios::fillUserGrid()
{
    QTableWidget* grid = m_ui->grade;
    grid->setRowCount(0);
    const auto users = m_users->listByLogin();
    if (users) {
        for (const UserStore::Listed& user : *users) {
            const int row = grid->rowCount();
            grid->insertRow(row);
            grid->setItem(row, 0, new QTableWidgetItem(QString::number(user.id)));
            grid->setItem(row, 1, new QTableWidgetItem(user.usuario));
        }
    }
    grid->clearSelection();
    grid->selectionModel()->clearCurrentIndex();
}

void frmCadUsuarios::loadUser(int row)
{
    QTableWidgetItem* id = m_ui->grade->item(row, 0);
    QTableWidgetItem* login = m_ui->grade->item(row, 1);
    bool isNumber = false;
    if (!id || !login || (id->text().toLongLong(&isNumber), !isNumber))
        return;
    if (const auto user = m_users->find(login->text()).valueOr(std::nullopt)) {
        m_ui->txtNome->setText(user->nome);
        m_ui->txtUsuario->setText(user->usuario);
        m_ui->txtEmail->setText(user->email);
        m_ui->txtPerguntaSecreta->setEditText(user->pergunta);
        // The stored answer is a hash: it is typed again to save the user.
        m_ui->txtRespostaSecreta->clear();
        m_ui->txtDicaSenha->setText(user->dica);
        m_ui->ckUsuarioRestrito->setChecked(user->restrito);
    }
    m_ui->txtNome->setFocus();
    // The logged-in user cannot change its own level.
    m_ui->ckUsuarioRestrito->setEnabled(login->text() != m_session.CurrentUser.userName);
}

void frmCadUsuarios::normalize(QObject* box)
{
    auto* edit = qobject_cast<QLineEdit*>(box);
    if (!edit)
        return;
    QString text = edit->text().trimmed();
    if (edit == m_ui->txtNome)
        text = properCase(text);
    else if (edit == m_ui->txtSenha || edit == m_ui->txtConfSenha)
        text = UserStore::normalizedPassword(text);
    else if (edit == m_ui->txtUsuario || edit == m_ui->txtEmail)
        text = text.toLower();
    if (text != edit->text())
        edit->setText(text);
}

bool frmCadUsuarios::refuse(const QString& title, const QString& text, QWidget* focus)
{
    m_session.dialogs.inform(this, Dialogs::Icon::Critical, title, text);
    focus->setFocus();
    return false;
}

bool frmCadUsuarios::passesChecks()
{
    const auto empty = [](const QLineEdit* box) { return box->text().trimmed().isEmpty(); };
    if (empty(m_ui->txtNome))
        return refuse(tr("Campo nome vazio."), tr("Informe um nome antes de continuar!"),
                      m_ui->txtNome);
    if (empty(m_ui->txtUsuario))
        return refuse(tr("Campo usuário vazio."), tr("Informe um usuário antes de continuar!"),
                      m_ui->txtUsuario);
    if (empty(m_ui->txtSenha))
        return refuse(tr("Campo senha vazio."), tr("Informe uma senha antes de continuar!"),
                      m_ui->txtSenha);
    if (empty(m_ui->txtConfSenha))
        return refuse(tr("Campo Confirma Senha vazio."),
                      tr("Informe uma confirmação de senha antes de continuar!"),
                      m_ui->txtConfSenha);
    if (m_ui->txtSenha->text().trimmed() != m_ui->txtConfSenha->text().trimmed())
        return refuse(tr("Senhas não conferem"),
                      tr("Os campos senha e confirma senha estão diferentes!"), m_ui->txtSenha);
    const bool hasQuestion = !m_ui->txtPerguntaSecreta->currentText().trimmed().isEmpty();
    if (hasQuestion && empty(m_ui->txtRespostaSecreta))
        return refuse(tr("Campo Resposta Secreta vazio."),
                      tr("Informe uma Resposta Secrecta antes de continuar!"),
                      m_ui->txtPerguntaSecreta);
    if (hasQuestion && empty(m_ui->txtDicaSenha))
        return refuse(tr("Campo Dica de Senha vazio."),
                      tr("Informe uma Dica de Senha antes de continuar!"), m_ui->txtDicaSenha);
    return true;
}

void frmCadUsuarios::save()
{
    // A save by keyboard leaves the last box without losing the focus.
    for (QLineEdit* box : {m_ui->txtNome, m_ui->txtUsuario, m_ui->txtSenha, m_ui->txtConfSenha,
                           m_ui->txtEmail, m_ui->txtRespostaSecreta, m_ui->txtDicaSenha})
        normalize(box);
    if (!passesChecks())
        return;
    UserStore::NewUser user;
    user.nome = m_ui->txtNome->text();
    user.usuario = m_ui->txtUsuario->text();
    user.senha = m_ui->txtSenha->text();
    user.restrito = m_ui->ckUsuarioRestrito->isChecked();
    user.pergunta = m_ui->txtPerguntaSecreta->currentText().trimmed();
    user.resposta = m_ui->txtRespostaSecreta->text();
    user.dica = m_ui->txtDicaSenha->text();
    user.email = m_ui->txtEmail->text();
    if (Status saved = m_users->save(user); !saved) {
        m_session.dialogs.reportFailure(this, tr("Erro"), saved, tr("o usuário não foi gravado"),
                                        tr("Não foi possível gravar o usuário:"));
        return;
    }
    m_ui->ckUsuarioRestrito->setEnabled(true);
    m_ui->ckUsuarioRestrito->setChecked(false);
    fillUserGrid();
    clearBoxes();
}

void frmCadUsuarios::clearBoxes()
{
    for (QLineEdit* box : {m_ui->txtNome, m_ui->txtUsuario, m_ui->txtSenha, m_ui->txtConfSenha,
                           m_ui->txtEmail, m_ui->txtRespostaSecreta, m_ui->txtDicaSenha})
        box->clear();
    m_ui->txtPerguntaSecreta->setCurrentIndex(-1);
    m_ui->txtPerguntaSecreta->setEditText(QString());
}

int frmCadUsuarios::pickedRow() const
{
    const QModelIndexList picked = m_ui->grade->selectionModel()->selectedRows();
    return picked.size() == 1 ? picked.constFirst().row() : -1;
}

void frmCadUsuarios::deleteCurrent()
{
    // Only the highlighted row counts: a current cell the user cannot see
    // (as after a refill) must never choose whom to delete.
    const int row = pickedRow();
    QTableWidgetItem* id = row >= 0 ? m_ui->grade->item(row, 0) : nullptr;
    bool isNumber = false;
    const qint64 userId = id ? id->text().toLongLong(&isNumber) : 0;
    if (!isNumber)
        return;
    const QString login = m_ui->grade->item(row, 1)->text();
    if (login == m_session.CurrentUser.userName) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro ao tentar excluir"),
            tr("Atenção, não é possível excluir o usuário que esta logado, para isso deve logar "
               "em outro usuário e excluir."));
        return;
    }
    if (m_session.dialogs.confirmDelete(this, tr("Excluir..."),
                                        tr("Tem certeza que deseja excluir o usuário?"),
                                        tr("Usuário: %1").arg(login))) {
        if (Status removed = m_users->remove(userId); !removed)
            m_session.dialogs.reportFailure(this, tr("Erro"), removed,
                                            tr("o usuário não foi excluído"),
                                            tr("Não foi possível excluir o usuário:"));
    }
    fillUserGrid();
}

bool frmCadUsuarios::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut)
        normalize(watched);
    if (event->type() == QEvent::KeyPress && watched != m_ui->grade) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild(); // Enter moves on like Tab
            return true;
        }
    }
    if (watched == m_ui->grade && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        deleteCurrent();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
