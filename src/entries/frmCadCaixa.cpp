#include "entries/frmCadCaixa.h"

#include "ui_frmCadCaixa.h"

#include "book/AccountBook.h"
#include "book/EntryStore.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "entries/AmountBox.h"
#include "entries/frmCadConta.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/WindowStyle.h"

#include <QToolTip>

namespace {

// A masked box whose prompt characters are all that is left.
bool isBlank(const QString& maskedText)
{
    for (QChar c : maskedText) {
        if (c.isDigit())
            return false;
    }
    return true;
}

void paint(QWidget* box, const QColor& background, const QColor& text)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::Text, text);
    box->setPalette(palette);
}

QString amountOrZero(const QString& text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("0,00") : text;
}

// An amount box whose text cannot be read as an amount.
const QColor kErrorBackground(255, 255, 160);
const QColor kErrorText(176, 0, 0);

} // namespace

frmCadCaixa::frmCadCaixa(Session& session, qint64 entryId, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmCadCaixa>()),
      m_entryId(entryId)
{
    m_ui->setupUi(this);
    WindowStyle::fixedToolWindow(this);
    for (QLineEdit* box :
         {m_ui->txtDia, m_ui->txtHora, m_ui->txtNDoc, m_ui->txtEntrada, m_ui->txtSaida})
        TextBoxes::selectAllOnFocus(box);
    TextBoxes::selectAllOnFocus(m_ui->txtDescricao);
    for (QLineEdit* box : {m_ui->txtEntrada, m_ui->txtSaida}) {
        AmountBox::filterKeys(box);
        box->installEventFilter(this);
    }
    connect(m_ui->btnSalvar, &QToolButton::clicked, this, &frmCadCaixa::save);
    connect(m_ui->btnCancelar, &QToolButton::clicked, this, &QDialog::reject);
    connect(m_ui->btnConta, &QPushButton::clicked, this, &frmCadCaixa::openAccountRegister);
    Keyboard::enterPresses({m_ui->btnSalvar, m_ui->btnCancelar, m_ui->btnConta});
    load();
}

frmCadCaixa::~frmCadCaixa() = default;

void frmCadCaixa::load()
{
    m_session.EditEntryId = m_entryId;
    m_session.EntrySaved = false;
    if (m_entryId == 0 && !Formats::parseDate(m_ui->txtDia->text())) {
        const QDateTime now = m_session.clock.now();
        m_ui->txtDia->setText(Formats::date(now.date()));
        m_ui->txtHora->setText(Formats::time(now.time()));
    }
    if (m_session.CurrentUser.isRestricted())
        m_ui->txtDia->setEnabled(false); // a restricted user posts for today only
    LoadAccountList();
    paintAmountBoxes();
    if (m_entryId != 0)
        loadEntry();
}

void frmCadCaixa::paintAmountBoxes()
{
    paintAmountBox(m_ui->txtEntrada);
    paintAmountBox(m_ui->txtSaida);
}

void frmCadCaixa::paintAmountBox(QLineEdit* box)
{
    const SettingsValues& s = m_session.Settings;
    if (box == m_ui->txtEntrada) {
        paint(box, s.receivedBackground(), s.receivedText());
        box->setToolTip(tr("Valor entrada"));
    } else {
        paint(box, s.paidBackground(), s.paidText());
        box->setToolTip(tr("Valor saída"));
    }
}

// The box shows the amount it read; a text it cannot read stays as typed,
// in the error colours, with the reason as its tooltip, and the save
// refuses it.
AmountBox::Reading frmCadCaixa::readAmountBox(QLineEdit* box)
{
    const AmountBox::Reading reading = AmountBox::read(box->text());
    if (box->text() != reading.shown)
        box->setText(reading.shown);
    paintAmountBox(box);
    if (reading.problem.isEmpty())
        return reading;
    paint(box, kErrorBackground, kErrorText);
    const QString why =
        tr("\"%1\" não é um valor aceito: %2.").arg(reading.shown.trimmed(), reading.problem);
    box->setToolTip(why);
    if (box->isVisible())
        QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), why, box);
    return reading;
}

void frmCadCaixa::LoadAccountList()
{
    m_ui->cboConta->clear();
    const auto names = AccountBook(m_session.db).namesInOrder();
    if (names)
        m_ui->cboConta->addItems(*names);
    if (m_ui->cboConta->count() == 0) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Information, tr("Contas"),
            tr("Não existem contas cadastradas, cadastre ao menos uma antes de continuar!"));
        frmCadConta(m_session, this).exec();
        return;
    }
    m_ui->cboConta->setCurrentIndex(0);
}

void frmCadCaixa::openAccountRegister()
{
    frmCadConta(m_session, this).exec();
    LoadAccountList();
}

void frmCadCaixa::loadEntry()
{
    const auto entry = EntryStore(m_session.db).load(m_entryId);
    if (!entry) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Erro"),
                                 tr("Não foi possível ler o lançamento:\n%1").arg(entry.reason()));
        return;
    }
    m_loaded = *entry;
    m_ui->txtDia->setText(Formats::date(entry->data));
    m_storedTime = entry->hora;
    m_ui->txtHora->setText(Formats::time(entry->hora));
    // An account that no longer exists leaves the list without a choice.
    m_ui->cboConta->setCurrentIndex(
        entry->account.isEmpty() ? -1 : m_ui->cboConta->findText(entry->account, Qt::MatchExactly));
    m_ui->txtNDoc->setText(entry->ndoc);
    m_ui->txtDescricao->setPlainText(entry->descricao);
    m_ui->txtEntrada->setText(entry->entrada ? entry->entrada->format() : QStringLiteral("0,00"));
    m_ui->txtSaida->setText(entry->saida ? entry->saida->format() : QStringLiteral("0,00"));
}

bool frmCadCaixa::refuse(const QString& title, const QString& text, QWidget* focus)
{
    m_session.dialogs.inform(this, Dialogs::Icon::Critical, title, text);
    if (focus)
        focus->setFocus();
    return false;
}

bool frmCadCaixa::passesChecks()
{
    const QString empty = tr("Campo vazio!");
    const QString recheck = tr("Verifique e tente novamente.");
    if (isBlank(m_ui->txtDia->text()))
        return refuse(empty, tr("informe um dia válido antes de continuar!"), m_ui->txtDia);
    const auto day = Formats::parseDate(m_ui->txtDia->text());
    if (!day)
        return refuse(recheck, tr("Data informada é inválida!"), m_ui->txtDia);
    if (*day > m_session.clock.today())
        return refuse(tr("Erro"),
                      tr("Não é possível lançar um registro para datas superiores a atual!"),
                      m_ui->txtDia);
    if (*day != m_session.clock.today() &&
        !m_session.dialogs.askYesNo(
            this, tr("Confirma lançamento?"),
            tr("A data que está lançando este registro é diferente da data atual, "
               "confirma lançamento?"))) {
        m_ui->txtDia->setFocus();
        return false;
    }
    if (isBlank(m_ui->txtHora->text()))
        return refuse(empty, tr("informe um hora válida antes de continuar!"), m_ui->txtHora);
    if (!Formats::parseTime(m_ui->txtHora->text()))
        return refuse(recheck, tr("Hora informada é inválida!"), m_ui->txtHora);
    if (m_ui->txtDescricao->toPlainText().trimmed().isEmpty())
        return refuse(empty, tr("informe uma descrição válida antes de continuar!"),
                      m_ui->txtDescricao);
    if (m_ui->cboConta->currentIndex() < 0) {
        refuse(empty, tr("Selecione uma conta antes de continuar!"), nullptr);
        openAccountRegister();
        return false;
    }
    for (QLineEdit* box : {m_ui->txtEntrada, m_ui->txtSaida}) {
        const AmountBox::Reading reading = AmountBox::read(box->text());
        if (!reading.amount)
            return refuse(
                recheck,
                (box == m_ui->txtEntrada ? tr("Entrada: %1") : tr("Saída: %1")).arg(box->toolTip()),
                box);
    }
    const QString in = amountOrZero(m_ui->txtEntrada->text());
    const QString out = amountOrZero(m_ui->txtSaida->text());
    if (in == u"0,00" && out == u"0,00")
        return refuse(empty, tr("informe uma entrada ou saída antes de continuar!"),
                      m_ui->txtEntrada);
    if (in != u"0,00" && out != u"0,00")
        return refuse(empty, tr("O sistema só pode cadastrar uma entrada ou saída por vez!"),
                      m_ui->txtEntrada);
    return true;
}

void frmCadCaixa::save()
{
    // Boxes left without losing the focus (a keyboard save) are read as shown.
    for (QLineEdit* box : {m_ui->txtEntrada, m_ui->txtSaida})
        readAmountBox(box);
    if (passesChecks())
        write();
}

EntryStore::Entry frmCadCaixa::typedEntry() const
{
    EntryStore::Entry entry;
    entry.data = *Formats::parseDate(m_ui->txtDia->text());
    const QString typedTime = m_ui->txtHora->text();
    entry.hora = m_storedTime.isValid() && typedTime == Formats::time(m_storedTime)
                     ? m_storedTime
                     : *Formats::parseTime(typedTime);
    entry.account = m_ui->cboConta->currentText();
    entry.ndoc = m_ui->txtNDoc->text();
    entry.descricao = m_ui->txtDescricao->toPlainText();
    entry.entrada = AmountBox::read(m_ui->txtEntrada->text()).amount.value_or(Money());
    entry.saida = AmountBox::read(m_ui->txtSaida->text()).amount.value_or(Money());
    return entry;
}

void frmCadCaixa::write()
{
    if (m_entryId != 0 && m_loaded) {
        const auto edit = EntryStore(m_session.db).saveEdit(*m_loaded, typedEntry());
        if (edit && !edit->saved)
            tellChangedMeanwhile(edit->current);
        else
            finishSave(edit ? Result<qint64>(m_entryId) : Result<qint64>(edit.status()));
        return;
    }
    finishSave(EntryStore(m_session.db).save(m_entryId, typedEntry()));
}

void frmCadCaixa::finishSave(const Result<qint64>& saved)
{
    if (!saved) {
        m_session.dialogs.reportFailure(this, tr("Erro"), saved.status(),
                                        tr("o lançamento não foi gravado"),
                                        tr("Não foi possível gravar o lançamento:"));
        return;
    }
    m_savedId = *saved;
    m_session.EntrySaved = true;
    accept();
}

void frmCadCaixa::tellChangedMeanwhile(const EntryStore::Stored& current)
{
    const auto amount = [](const std::optional<Money>& value) {
        return value ? value->format() : QStringLiteral("0,00");
    };
    const QString values =
        tr("Data: %1 %2\nConta: %3\nDocumento: %4\nDescrição: %5\nEntrada: %6\nSaída: %7")
            .arg(Formats::date(current.data), Formats::time(current.hora),
                 current.account.isEmpty() ? tr("(nenhuma)") : current.account, current.ndoc,
                 current.descricao, amount(current.entrada), amount(current.saida));
    m_session.dialogs.inform(
        this, Dialogs::Icon::Exclamation, tr("Lançamento alterado"),
        tr("Este lançamento foi alterado em outro lugar depois que esta janela o abriu, e nada "
           "foi gravado. Como ele está agora:\n\n%1\n\nO que você digitou continua na janela: "
           "para gravar por cima destes valores, clique em Salvar de novo; para ficar com eles, "
           "clique em Cancelar.")
            .arg(values));
    m_loaded = current;
}

bool frmCadCaixa::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut &&
        (watched == m_ui->txtEntrada || watched == m_ui->txtSaida)) {
        readAmountBox(static_cast<QLineEdit*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}
