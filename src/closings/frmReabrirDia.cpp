#include "closings/frmReabrirDia.h"

#include "book/Closings.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmReabrirDia::frmReabrirDia(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmReabrirDia"));
    setWindowTitle(tr("Reabrir um dia"));
    buildWindow();
    const auto latest = Closings(m_session.db).lockedThrough();
    if (latest && latest->isValid())
        m_dia->setText(Formats::date(*latest));
    showAffected();
}

void frmReabrirDia::buildWindow()
{
    m_dia = new QLineEdit;
    m_dia->setObjectName(QStringLiteral("txtDia"));
    m_dia->setInputMask(QStringLiteral("99/99/9999"));
    m_afetados = new QLabel;
    m_afetados->setObjectName(QStringLiteral("lblAfetados"));
    m_afetados->setWordWrap(true);
    m_motivo = new QLineEdit;
    m_motivo->setObjectName(QStringLiteral("txtMotivo"));
    m_motivo->setMaxLength(255);
    m_reabrir = new QPushButton(tr("&Reabrir"));
    m_reabrir->setObjectName(QStringLiteral("btnReabrir"));
    auto* cancelar = new QPushButton(tr("&Cancelar"));
    cancelar->setObjectName(QStringLiteral("btnCancelar"));

    auto* form = new QFormLayout;
    form->addRow(tr("&Dia:"), m_dia);
    form->addRow(m_afetados);
    form->addRow(tr("&Motivo:"), m_motivo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_reabrir);
    buttons->addWidget(cancelar);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    TextBoxes::selectAllOnFocus(m_dia);
    connect(m_dia, &QLineEdit::editingFinished, this, &frmReabrirDia::showAffected);
    connect(m_reabrir, &QPushButton::clicked, this, &frmReabrirDia::reopen);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
    Keyboard::enterPresses({m_reabrir, cancelar});
    Keyboard::enterRuns(m_motivo, [this] { m_reabrir->click(); });
}

void frmReabrirDia::showAffected()
{
    const QDate day = Formats::parseDate(m_dia->text()).value_or(QDate());
    const auto closings = day.isValid()
                              ? Closings(m_session.db).openFrom(day)
                              : Result<QList<Closings::Closing>>(QList<Closings::Closing>());
    if (!closings || closings->isEmpty()) {
        m_afetados->setText(day.isValid() ? tr("Nenhum dia fechado a partir desse dia.")
                                          : tr("Nenhum dia está fechado."));
        return;
    }
    QStringList days;
    for (const Closings::Closing& c : *closings)
        days.append(Formats::date(c.day));
    m_afetados->setText(tr("Serão reabertos: %1").arg(days.join(QStringLiteral(", "))));
}

void frmReabrirDia::reopen()
{
    const QDate day = Formats::parseDate(m_dia->text()).value_or(QDate());
    if (!day.isValid()) {
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, windowTitle(),
                                 tr("Informe um dia válido."));
        m_dia->setFocus();
        return;
    }
    if (m_motivo->text().trimmed().isEmpty()) {
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, windowTitle(),
                                 tr("Informe o motivo da reabertura."));
        m_motivo->setFocus();
        return;
    }
    const auto reopened = Closings(m_session.db).reopen(day, m_motivo->text());
    if (!reopened) {
        m_session.dialogs.reportFailure(this, windowTitle(), reopened.status(),
                                        tr("o dia não foi reaberto"),
                                        tr("Não foi possível reabrir o dia:"));
        return;
    }
    accept();
}
