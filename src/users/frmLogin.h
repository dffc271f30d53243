#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmLogin;
}
struct Session;

// The login window: who uses the program, and at which level. A successful
// login reports loggedIn(); "Cancelar" reports cancelled() and the program
// ends.
class frmLogin final : public QDialog
{
    Q_OBJECT

public:
    explicit frmLogin(Session& session, QWidget* parent = nullptr);
    ~frmLogin() override;

    void Login();
    void forgotPassword();

signals:
    void loggedIn();
    void cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open_();
    bool isMaintenanceLogin() const;
    void rememberUser();

    Session& m_session;
    std::unique_ptr<Ui::frmLogin> m_ui;
};
