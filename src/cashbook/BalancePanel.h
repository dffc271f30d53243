#pragma once

#include <QFrame>

#include <memory>

namespace Ui {
class BalancePanel;
}

// The panel under the grid: yesterday's and today's net movement and the
// period's totals, with the received and paid-out colours as legend.
class BalancePanel final : public QFrame
{
    Q_OBJECT

public:
    explicit BalancePanel(QWidget* parent = nullptr);
    ~BalancePanel() override;

    void setYesterday(const QString& text);
    void setToday(const QString& text);
    void setTotals(const QString& received, const QString& paidOut);
    void paintLegend(const QColor& receivedBackground, const QColor& receivedText,
                     const QColor& paidBackground, const QColor& paidText);

private:
    std::unique_ptr<Ui::BalancePanel> m_ui;
};
