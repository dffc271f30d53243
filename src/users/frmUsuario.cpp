#include "users/frmUsuario.h"

#include "ui_frmUsuario.h"

#include "book/UserStore.h"
#include "core/Dialogs.h"
#include "core/Product.h"
#include "core/Session.h"
#include "widgets/WindowStyle.h"

frmUsuario::frmUsuario(Session& session, const QString& question,
                       std::function<QString()> typedUser, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmUsuario>()),
      m_typedUser(std::move(typedUser))
{
    m_ui->setupUi(this);
    WindowStyle::fixedToolWindow(this);
    m_ui->lblLembrete->setText(question);
    m_ui->txtRespostaSecreta->setFocus();
    connect(m_ui->btnVerificar, &QPushButton::clicked, this, &frmUsuario::verify);
}

frmUsuario::~frmUsuario() = default;

void frmUsuario::verify()
{
    const QString answer = m_ui->txtRespostaSecreta->text();
    if (answer.trimmed().isEmpty())
        return;
    const QString support = QString::fromLatin1(Product::supportEmail);
    const auto check =
        UserStore(m_session.db).checkAnswer(m_typedUser().trimmed().toLower(), answer);
    if (!check) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro"),
            tr("Não foi possível verificar a resposta:\n%1").arg(check.reason()));
        return;
    }
    switch (check->answer) {
    case UserStore::Answer::NoSuchUser:
        return;
    case UserStore::Answer::Accepted:
        m_ui->txtDicaSenha->setText(check->dica);
        m_session.dialogs.inform(
            this, Dialogs::Icon::Information, tr("Dica abaixo."),
            tr("Dica cadastrada abaixo, caso não consiga lembrar de sua senha por esta dica "
               "envie um email para %1 com sua dúvida.")
                .arg(support));
        return;
    case UserStore::Answer::Refused:
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Opção inválida..."),
            tr("Resposta inválida, verifique e tente novamente.") + u'\n' +
                tr("Para ajuda envie um email para %1 com sua dúvida.").arg(support));
        return;
    }
}
