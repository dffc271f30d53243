#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct Session;

// "Reabrir um dia": reopens a closed day, and every closed day after it,
// with the reason, which is required and recorded. Only a user of the
// common level may (anyone when login is off); the book checks it too.
class frmReabrirDia final : public QDialog
{
    Q_OBJECT

public:
    explicit frmReabrirDia(Session& session, QWidget* parent = nullptr);

private:
    void buildWindow();
    // Which closings reopening the typed day would reopen.
    void showAffected();
    void reopen();

    Session& m_session;
    QLineEdit* m_dia = nullptr;
    QLabel* m_afetados = nullptr;
    QLineEdit* m_motivo = nullptr;
    QPushButton* m_reabrir = nullptr;
};
