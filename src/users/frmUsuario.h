#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class frmUsuario;
}
struct Session;

// The password reminder: shows the secret question and, once the answer is
// accepted, the hint. The user is always the one typed in the login window.
class frmUsuario final : public QDialog
{
    Q_OBJECT

public:
    frmUsuario(Session& session, const QString& question, std::function<QString()> typedUser,
               QWidget* parent = nullptr);
    ~frmUsuario() override;

    void verify();

private:
    Session& m_session;
    std::unique_ptr<Ui::frmUsuario> m_ui;
    std::function<QString()> m_typedUser;
};
