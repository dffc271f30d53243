#pragma once

#include "book/Closings.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct Session;

// "Fechar o dia": the balance the book computes for a day, the cash
// counted, the difference, and the closing that locks the book up to that
// day. A difference may go into an account as "Quebra de caixa" or "Sobra de
// caixa" with the closing. A restricted user closes only the active day and
// sees only the figure of all accounts.
class frmFecharDia final : public QDialog
{
    Q_OBJECT

public:
    frmFecharDia(Session& session, const QDate& activeDay, QWidget* parent = nullptr);

    // The closing made, when the window made one.
    const std::optional<Closings::Closing>& closing() const { return m_closing; }

private:
    void buildWindow();
    void showBalances();
    void showDifference();
    // The counted cash typed, when it is an amount.
    std::optional<Money> counted() const;
    std::optional<Money> difference() const;
    void closeDay();

    Session& m_session;
    const QDate m_activeDay;
    std::optional<Closings::Balances> m_balances;
    std::optional<Closings::Closing> m_closing;
    QLineEdit* m_dia = nullptr;
    QLabel* m_calculado = nullptr;
    QTableWidget* m_contas = nullptr;
    QLineEdit* m_contado = nullptr;
    QLabel* m_diferenca = nullptr;
    QComboBox* m_conta = nullptr;
    QPushButton* m_fechar = nullptr;
};
