#include "closings/frmFecharDia.h"

#include "book/AccountBook.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel* amountLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

frmFecharDia::frmFecharDia(Session& session, const QDate& activeDay, QWidget* parent)
    : QDialog(parent), m_session(session), m_activeDay(activeDay)
{
    setObjectName(QStringLiteral("frmFecharDia"));
    setWindowTitle(tr("Fechar o dia"));
    buildWindow();
    m_dia->setText(Formats::date(activeDay));
    showBalances();
}

void frmFecharDia::buildWindow()
{
    const bool restricted = m_session.CurrentUser.isRestricted();
    m_dia = new QLineEdit;
    m_dia->setObjectName(QStringLiteral("txtDia"));
    m_dia->setInputMask(QStringLiteral("99/99/9999"));
    m_dia->setReadOnly(restricted); // only the active day
    m_calculado = amountLabel("lblCalculado");
    m_contas = new QTableWidget(0, 2);
    m_contas->setObjectName(QStringLiteral("gradeContas"));
    m_contas->setHorizontalHeaderLabels({tr("Conta"), tr("Saldo")});
    m_contas->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_contas->verticalHeader()->hide();
    m_contas->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_contas->setFocusPolicy(Qt::NoFocus);
    m_contas->setVisible(!restricted);
    m_contado = new QLineEdit;
    m_contado->setObjectName(QStringLiteral("txtContado"));
    m_contado->setAlignment(Qt::AlignRight);
    m_diferenca = amountLabel("lblDiferenca");
    m_conta = new QComboBox;
    m_conta->setObjectName(QStringLiteral("cboConta"));
    m_fechar = new QPushButton(tr("&Fechar o dia"));
    m_fechar->setObjectName(QStringLiteral("btnFechar"));
    auto* cancelar = new QPushButton(tr("&Cancelar"));
    cancelar->setObjectName(QStringLiteral("btnCancelar"));

    auto* form = new QFormLayout;
    form->addRow(tr("&Dia:"), m_dia);
    form->addRow(tr("Saldo calculado (todas as contas):"), m_calculado);
    form->addRow(m_contas);
    form->addRow(tr("Dinheiro &contado:"), m_contado);
    form->addRow(tr("Diferença:"), m_diferenca);
    form->addRow(tr("Lançar a diferença na c&onta:"), m_conta);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_fechar);
    buttons->addWidget(cancelar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    TextBoxes::selectAllOnFocus(m_dia);
    TextBoxes::selectAllOnFocus(m_contado);
    connect(m_dia, &QLineEdit::editingFinished, this, &frmFecharDia::showBalances);
    connect(m_contado, &QLineEdit::textChanged, this, &frmFecharDia::showDifference);
    connect(m_fechar, &QPushButton::clicked, this, &frmFecharDia::closeDay);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    Keyboard::enterPresses({m_fechar, cancelar});
    Keyboard::enterRuns(m_contado, [this] { m_fechar->click(); });
    m_fechar->setDefault(true);

    m_conta->addItem(tr("(não lançar)"));
    if (const auto names = AccountBook(m_session.db).namesInOrder())
        m_conta->addItems(*names);
    if (m_conta->count() > 1)
        m_conta->setCurrentIndex(1);
}

void frmFecharDia::showBalances()
{
    m_balances.reset();
    m_calculado->clear();
    m_contas->setRowCount(0);
    const QDate day = Formats::parseDate(m_dia->text()).value_or(QDate());
    if (!day.isValid()) {
        showDifference();
        return;
    }
    auto balances = Closings(m_session.db).balancesAt(day);
    if (!balances) {
        m_session.dialogs.reportFailure(this, windowTitle(), balances.status(),
                                        tr("o saldo do dia não foi calculado"),
                                        tr("O saldo do dia não pôde ser calculado:"));
        return;
    }
    m_balances = *balances;
    m_calculado->setText(balances->total.format());
    // A difference goes, unless the user says otherwise, into the account
    // that holds the most: the one the drawer's cash is kept in.
    const auto most =
        std::max_element(balances->accounts.cbegin(), balances->accounts.cend(),
                         [](const auto& a, const auto& b) { return a.balance < b.balance; });
    if (most != balances->accounts.cend() && m_conta->findText(most->name) > 0)
        m_conta->setCurrentIndex(m_conta->findText(most->name));
    for (const Closings::AccountBalance& account : balances->accounts) {
        const int row = m_contas->rowCount();
        m_contas->insertRow(row);
        m_contas->setItem(row, 0, new QTableWidgetItem(account.name));
        auto* amount = new QTableWidgetItem(account.balance.format());
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_contas->setItem(row, 1, amount);
    }
    showDifference();
}

std::optional<Money> frmFecharDia::counted() const
{
    return Money::parse(m_contado->text().trimmed());
}

std::optional<Money> frmFecharDia::difference() const
{
    const auto typed = counted();
    if (!typed || !m_balances)
        return std::nullopt;
    return typed->minus(m_balances->total);
}

void frmFecharDia::showDifference()
{
    const auto diff = difference();
    if (!diff) {
        m_diferenca->clear();
        m_conta->setEnabled(false);
        return;
    }
    m_diferenca->setText(diff->isZero() ? diff->format()
                                        : diff->format() + QStringLiteral(" (") +
                                              Closings::differenceDescription(*diff) + u')');
    m_conta->setEnabled(!diff->isZero());
}

void frmFecharDia::closeDay()
{
    const QDate day = Formats::parseDate(m_dia->text()).value_or(QDate());
    const auto diff = difference();
    if (!day.isValid() || !diff) {
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, windowTitle(),
                                 !day.isValid() ? tr("Informe um dia válido.")
                                                : tr("Informe o dinheiro contado no caixa."));
        (day.isValid() ? m_contado : m_dia)->setFocus();
        return;
    }
    const QString account =
        !diff->isZero() && m_conta->currentIndex() > 0 ? m_conta->currentText() : QString();
    QString question = tr("Fechar o dia %1? Depois de fechado, nenhum lançamento desse dia ou "
                          "de um dia anterior poderá ser incluído, alterado ou excluído.")
                           .arg(Formats::date(day));
    if (!account.isEmpty())
        question += u'\n' + tr("A diferença de %1 será lançada como \"%2\" na conta %3.")
                                .arg(diff->format().remove(u'-'),
                                     Closings::differenceDescription(*diff), account);
    if (!m_session.dialogs.askYesNo(this, windowTitle(), question))
        return;
    auto closed = Closings(m_session.db).close({day, *counted(), account, m_balances->total});
    if (!closed) {
        m_session.dialogs.reportFailure(this, windowTitle(), closed.status(),
                                        tr("o dia não foi fechado"),
                                        tr("Não foi possível fechar o dia:"));
        // What the book says now, for the count to be checked against it.
        showBalances();
        return;
    }
    m_closing = *closed;
    accept();
}
