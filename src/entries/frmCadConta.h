#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmCadConta;
}
class AccountBook;
struct Session;

// The account register: every account with its balance; create, rename
// (double-click a row) and delete (the Delete key) accounts.
class frmCadConta final : public QDialog
{
    Q_OBJECT

public:
    explicit frmCadConta(Session& session, QWidget* parent = nullptr);
    ~frmCadConta() override;

    void FillAccountGrid();
    bool isRenaming() const { return m_editMode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpGrid();
    void launch();
    void startRename();
    void deleteCurrent();
    // The id and name of the grid's current row, when it is an account.
    bool currentAccount(qint64* id, QString* name) const;
    void reportFailure(const QString& what, const QString& reason);

    Session& m_session;
    std::unique_ptr<Ui::frmCadConta> m_ui;
    std::unique_ptr<AccountBook> m_accounts;
    bool m_editMode = false;
    qint64 m_editId = 0;
};
