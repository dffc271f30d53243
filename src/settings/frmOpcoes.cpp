#include "settings/frmOpcoes.h"

#include "ui_frmOpcoes.h"

#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "core/SettingsStore.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"

#include <algorithm>

namespace {

// Shows a stored text whole even when it is longer than the box lets the
// user type; otherwise a save would write it back cut short.
void showWhole(QLineEdit* box, const QString& text, int typedLength)
{
    box->setMaxLength(std::max(typedLength, int(text.size())));
    box->setText(text);
}

} // namespace

frmOpcoes::frmOpcoes(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmOpcoes>())
{
    m_ui->setupUi(this);
    setUpWindow();
    for (ColorSwatch* swatch : {m_ui->pic1, m_ui->pic2, m_ui->pic3, m_ui->pic4})
        connect(swatch, &ColorSwatch::activated, this, [this, swatch] { chooseColor(swatch); });
    connect(m_ui->btnSalvar, &QToolButton::clicked, this, &frmOpcoes::save);
    Keyboard::enterPresses({m_ui->btnSalvar});
    loadSettings();
}

frmOpcoes::~frmOpcoes() = default;

void frmOpcoes::setUpWindow()
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    TextBoxes::selectAllOnFocus(m_ui->txtQtd);
    TextBoxes::acceptDigitsOnly(m_ui->txtQtd, 2);
}

void frmOpcoes::loadSettings()
{
    const SettingsValues& s = m_session.Settings;
    m_ui->pic1->setColor(s.receivedBackground());
    m_ui->pic2->setColor(s.receivedText());
    m_ui->pic3->setColor(s.paidBackground());
    m_ui->pic4->setColor(s.paidText());
    m_ui->ckUsuarios->setChecked(s.susuario);
    m_ui->ckBKPAutomatico->setChecked(s.bkpautomatico);
    showWhole(m_ui->txtMoeda, s.moeda, 2);
    m_ui->txtIndioma->setCurrentIndex(m_ui->txtIndioma->findText(s.indioma, Qt::MatchExactly));
    showWhole(m_ui->txtQtd, QString::number(s.qtdarquivosbkp), 2);
}

// A cancelled dialog leaves the colour as it was.
void frmOpcoes::chooseColor(ColorSwatch* swatch)
{
    if (const auto chosen = m_session.dialogs.chooseColor(this, swatch->color()))
        swatch->setColor(*chosen);
}

SettingsChoice frmOpcoes::choice() const
{
    SettingsChoice c;
    c.susuario = m_ui->ckUsuarios->isChecked();
    c.corfundoentrada = Formats::colorToSetting(m_ui->pic1->color());
    c.corletraentrada = Formats::colorToSetting(m_ui->pic2->color());
    c.corfundosaida = Formats::colorToSetting(m_ui->pic3->color());
    c.corletrasaida = Formats::colorToSetting(m_ui->pic4->color());
    c.moeda = m_ui->txtMoeda->text();
    // The list cannot be changed; a stored language it does not offer stays.
    c.indioma = m_ui->txtIndioma->currentIndex() >= 0 ? m_ui->txtIndioma->currentText()
                                                      : m_session.Settings.indioma;
    c.qtdarquivosbkp = qint16(m_ui->txtQtd->text().toInt());
    c.bkpautomatico = m_ui->ckBKPAutomatico->isChecked();
    return c;
}

// On a refused save the window stays as the user left it, Settings keeps
// the values in force and the main window is not refreshed.
void frmOpcoes::save()
{
    showWhole(m_ui->txtQtd, SettingsStore::normalizedBackupCount(m_ui->txtQtd->text()), 2);
    m_ui->txtMoeda->setText(SettingsStore::normalizedCurrency(m_ui->txtMoeda->text()));
    if (Status stored = SettingsStore::save(m_session.db, choice()); !stored) {
        m_session.dialogs.reportFailure(this, tr("Erro"), stored,
                                        tr("as opções não foram gravadas"),
                                        tr("Não foi possível gravar as opções no livro de caixa:"));
        return;
    }
    LoadSettings(m_session.db, m_session.Settings);
    emit saved();
}
