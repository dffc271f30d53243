#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmCadUsuarios;
}
class UserStore;
struct Session;

// The user register: lists the users, loads one by double-click, saves by
// login name (a new user or an overwrite) and deletes with the Delete key.
class frmCadUsuarios final : public QDialog
{
    Q_OBJECT

public:
    explicit frmCadUsuarios(Session& session, QWidget* parent = nullptr);
    ~frmCadUsuarios() override;

    void fillUserGrid();
    void loadUser(int row);
    void save();
    void deleteCurrent();

    // Title case as the name box keeps it: each word's first letter upper
    // case, the others lower case.
    static QString properCase(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpGrid();
    // The grid row the user has highlighted, or -1.
    int pickedRow() const;
    void normalize(QObject* box);
    bool passesChecks();
    bool refuse(const QString& title, const QString& text, QWidget* focus);
    void clearBoxes();

    Session& m_session;
    std::unique_ptr<Ui::frmCadUsuarios> m_ui;
    std::unique_ptr<UserStore> m_users;
};
