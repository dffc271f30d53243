#include "users/frmLogin.h"

#include "ui_frmLogin.h"

#include "book/UserStore.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Product.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "users/frmCadUsuarios.h"
#include "users/frmUsuario.h"
#include "widgets/TextBoxes.h"
#include "widgets/WindowStyle.h"

#include <QKeyEvent>

namespace {
const QColor kTextColour(54, 123, 158);

void paintText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, kTextColour);
    palette.setColor(QPalette::WindowText, kTextColour);
    palette.setColor(QPalette::ButtonText, kTextColour);
    widget->setPalette(palette);
}
} // namespace

frmLogin::frmLogin(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmLogin>())
{
    m_ui->setupUi(this);
    WindowStyle::fixedToolWindow(this);
    // The window has no title. An empty one would be filled in with the
    // program's name by the toolkit, a blank one shows as nothing.
    setWindowTitle(QStringLiteral(" "));
    m_ui->Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QLineEdit* box : {m_ui->txtUsuario, m_ui->txtSenha}) {
        TextBoxes::selectAllOnFocus(box);
        box->installEventFilter(this);
    }
    connect(m_ui->btnLogin, &QPushButton::clicked, this, &frmLogin::Login);
    connect(m_ui->btnEsqueciMinhaSenha, &QPushButton::clicked, this, &frmLogin::forgotPassword);
    connect(m_ui->btnCancelar, &QPushButton::clicked, this, [this] {
        emit cancelled();
        reject();
    });
    open_();
}

frmLogin::~frmLogin() = default;

void frmLogin::open_()
{
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->txtUsuario), static_cast<QWidget*>(m_ui->txtSenha),
          static_cast<QWidget*>(m_ui->ckLembrardeMim), static_cast<QWidget*>(m_ui->btnCancelar),
          static_cast<QWidget*>(m_ui->btnEsqueciMinhaSenha)})
        paintText(w);
    m_ui->ckLembrardeMim->setChecked(m_session.Settings.lembrar);
    if (m_session.Settings.lembrar)
        m_ui->txtUsuario->setText(m_session.Settings.usuario);
    m_ui->txtUsuario->setFocus();
    m_ui->txtUsuario->selectAll();
}

// The maintenance credentials open the user register only while the book has
// no user of the common level: on a new installation, or after every
// administrator was deleted. Otherwise they are an ordinary attempt.
bool frmLogin::isMaintenanceLogin() const
{
    if (m_ui->txtUsuario->text() != u"mavro" || m_ui->txtSenha->text() != u"quelbanto")
        return false;
    const auto hasAdministrator = UserStore(m_session.db).hasCommonLevelUser();
    return hasAdministrator && !*hasAdministrator;
}

void frmLogin::Login()
{
    m_session.CurrentUser.userName.clear();
    const QString user = m_ui->txtUsuario->text().trimmed();
    const QString password = m_ui->txtSenha->text().trimmed();
    if (user.isEmpty() || password.isEmpty())
        return;
    if (isMaintenanceLogin())
        frmCadUsuarios(m_session, this).exec();

    const auto found = UserStore(m_session.db).logIn(user, password);
    if (!found) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Erro ao tentar logar."),
                                 tr("Não foi possível consultar os usuários do livro de caixa:\n%1")
                                     .arg(found.reason()));
        return;
    }
    if (!*found) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Erro ao tentar logar."),
                                 tr("Nome de usuário ou senha incorretos!"));
        return;
    }
    m_session.CurrentUser.userName = user;
    m_session.CurrentUser.userLevel =
        (*found)->restrito ? QStringLiteral("r") : QStringLiteral("c");
    rememberUser();
    emit loggedIn();
    accept();
}

// A failure here does not stop the login: the user is told, and the main
// window still opens.
void frmLogin::rememberUser()
{
    const Status stored =
        SettingsStore::rememberUser(m_session.db, m_ui->ckLembrardeMim->isChecked(),
                                    m_ui->txtUsuario->text().trimmed().toLower());
    if (!stored) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Exclamation, tr("Atenção"),
            tr("Não foi possível lembrar o usuário no livro de caixa:\n%1").arg(stored.reason()));
    }
    LoadSettings(m_session.db, m_session.Settings);
}

void frmLogin::forgotPassword()
{
    const QString user = m_ui->txtUsuario->text().trimmed();
    if (user.isEmpty()) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Campo vazio."),
                                 tr("Informe um usuário válido antes de continuar!"));
        m_ui->txtUsuario->setFocus();
        return;
    }
    const auto found = UserStore(m_session.db).find(user.toLower()).valueOr(std::nullopt);
    if (found && !found->pergunta.isEmpty()) {
        frmUsuario reminder(
            m_session, found->pergunta, [this] { return m_ui->txtUsuario->text(); }, this);
        reminder.exec();
        return;
    }
    m_session.dialogs.inform(this, Dialogs::Icon::Information, tr("Opção inválida..."),
                             tr("Usuário não localizado ou não cadastrou uma pergunta secreta.") +
                                 u'\n' +
                                 tr("Para ajuda envie um email para %1 com sua dúvida.")
                                     .arg(QString::fromLatin1(Product::contactEmail)));
}

bool frmLogin::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusOut)
        box->setText(box->text().trimmed().toLower());
    if (watched == m_ui->txtSenha && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (m_ui->txtUsuario->text().trimmed().isEmpty())
                m_ui->txtUsuario->setFocus();
            else
                Login();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
