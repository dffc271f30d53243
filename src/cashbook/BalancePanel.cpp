#include "cashbook/BalancePanel.h"

#include "ui_BalancePanel.h"

namespace {
void paint(QLabel* label, const QColor& background, const QColor& text)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    label->setPalette(palette);
}
} // namespace

BalancePanel::BalancePanel(QWidget* parent)
    : QFrame(parent), m_ui(std::make_unique<Ui::BalancePanel>())
{
    m_ui->setupUi(this);
}

BalancePanel::~BalancePanel() = default;

void BalancePanel::setYesterday(const QString& text)
{
    m_ui->lblSaldoOntem->setText(text);
}

void BalancePanel::setToday(const QString& text)
{
    m_ui->lblSaldoHoje->setText(text);
}

void BalancePanel::setTotals(const QString& received, const QString& paidOut)
{
    m_ui->lblTotalEntradas->setText(received);
    m_ui->lblTotalSaidas->setText(paidOut);
}

void BalancePanel::paintLegend(const QColor& receivedBackground, const QColor& receivedText,
                               const QColor& paidBackground, const QColor& paidText)
{
    paint(m_ui->lblEntrada, receivedBackground, receivedText);
    paint(m_ui->lblSaida, paidBackground, paidText);
}
