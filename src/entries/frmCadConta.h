#pragma once

#include "book/AccountBook.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class frmCadConta;
}
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
    // The account of the grid's current row, when it is one.
    std::optional<AccountBook::Account> currentAccount() const;
    void reportFailure(const QString& what, const QString& notDone, const Status& failure);
    bool refuseRestricted();

    Session& m_session;
    std::unique_ptr<Ui::frmCadConta> m_ui;
    std::unique_ptr<AccountBook> m_accounts;
    bool m_editMode = false;
    qint64 m_editId = 0;
};
