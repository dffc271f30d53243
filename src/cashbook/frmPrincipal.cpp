#include "cashbook/frmPrincipal.h"

#include "ui_frmPrincipal.h"

#include "book/Balances.h"
#include "book/Closings.h"
#include "book/EntryReader.h"
#include "cashbook/ActivePeriod.h"
#include "cashbook/EntryCommands.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/RowColourDelegate.h"
#include "core/BookChanges.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/EnsureColumn.h"
#include "core/Formats.h"
#include "core/Product.h"
#include "core/Session.h"
#include "core/UserGuide.h"
#include "core/Windows.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/UserMemory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QUrl>

namespace {
constexpr int kTwipsPerPixel = 15;
}

frmPrincipal::frmPrincipal(Session& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_ui(std::make_unique<Ui::frmPrincipal>())
{
    m_ui->setupUi(this);
    m_ui->centralwidget->setStyleSheet(QStringLiteral("#centralwidget { background: white; }"));
    m_model = new EntryGridModel(this);
    m_ui->grade->setModel(m_model);
    m_ui->grade->setItemDelegate(new RowColourDelegate(m_ui->grade));

    m_tmAtualiza = new QTimer(this);
    m_tmAtualiza->setObjectName(QStringLiteral("tmAtualiza"));
    m_tmAtualiza->setInterval(1);
    connect(m_tmAtualiza, &QTimer::timeout, this, &frmPrincipal::onRefreshTimer);

    TextBoxes::selectAllOnFocus(m_ui->txtDia);
    TextBoxes::selectAllOnFocus(m_ui->txtDias);
    TextBoxes::acceptDigitsOnly(m_ui->txtDias, 2);
    m_ui->txtDias->installEventFilter(this);
    qApp->installEventFilter(this);

    connect(m_ui->btnAtivar, &QPushButton::clicked, this, &frmPrincipal::Activate);
    auto* commands = new EntryCommands(
        m_session, m_ui->grade, m_model, [this] { FillGrid(); }, this);
    connect(m_ui->btnAdicionar, &QToolButton::clicked, commands, &EntryCommands::add);
    connect(m_ui->btnEditar, &QToolButton::clicked, commands, &EntryCommands::edit);
    connect(m_ui->btnExcluir, &QToolButton::clicked, commands, &EntryCommands::remove);
    connect(m_ui->mnuAtualizacoes, &QAction::triggered, this, &frmPrincipal::openWebSite);
    connect(m_ui->mnuUsuarios, &QAction::triggered, this,
            [this] { m_session.windows->userRegister(this); });
    connect(m_ui->mnuOpcoes, &QAction::triggered, this, &frmPrincipal::openSettings);
    connect(m_ui->btnRelatorios, &QPushButton::clicked, this, &frmPrincipal::openReports);
    Keyboard::enterPresses({m_ui->btnAtivar, m_ui->btnRelatorios, m_ui->btnAdicionar,
                            m_ui->btnExcluir, m_ui->btnEditar});
    // Enter after typing the day or the number of days is "&Ativar".
    for (QWidget* box : {m_ui->txtDia, m_ui->txtDias})
        Keyboard::enterRuns(box, [this] {
            if (m_ui->btnAtivar->isEnabled())
                m_ui->btnAtivar->click();
        });
    connect(m_ui->mnuLocalizar, &QAction::triggered, this, &frmPrincipal::openSearch);
    connect(m_ui->mnuFecharDia, &QAction::triggered, this, [this] {
        if (m_session.windows->closeDay(this, m_periodEnd))
            requestRefresh();
    });
    connect(m_ui->mnuReabrirDia, &QAction::triggered, this, [this] {
        if (m_session.windows->reopenDay(this))
            requestRefresh();
    });
    connect(m_ui->mnuHistorico, &QAction::triggered, this,
            [this] { m_session.windows->changeHistory(this); });
    connect(m_ui->mnuRestaurar, &QAction::triggered, this, &frmPrincipal::restoreBackup);
    connect(m_ui->mnuAjuda, &QAction::triggered, this, &frmPrincipal::openGuide);

    UserMemory::restoreWindow(this, QStringLiteral("frmPrincipal"));
    loadWindow();
    followOtherDesks();
}

// Another desk's entries appear here without anyone touching this window:
// a burst of changes makes one refresh, shortly after the last.
void frmPrincipal::followOtherDesks()
{
    if (!m_session.bookOpen || !m_session.db.isServer())
        return;
    m_otherDesks = new QTimer(this);
    m_otherDesks->setSingleShot(true);
    m_otherDesks->setInterval(300);
    connect(m_otherDesks, &QTimer::timeout, this, &frmPrincipal::refreshKeepingPlace);
    auto* changes = new BookChanges(m_session.db, this);
    connect(changes, &BookChanges::changed, m_otherDesks, qOverload<>(&QTimer::start));
}

// The grid read again, with the same entry selected (by id) and the same
// rows in view; what the user is typing elsewhere is not touched.
void frmPrincipal::refreshKeepingPlace()
{
    const QModelIndex current = m_ui->grade->currentIndex();
    const qint64 selected = current.isValid() ? m_model->rows().id(current.row()) : 0;
    const int column = current.isValid() ? current.column() : int(EntryGridModel::Saldo);
    const int scrolled = m_ui->grade->verticalScrollBar()->value();
    FillGrid();
    const int row = selected != 0 ? m_model->rowOf(selected) : -1;
    if (row >= 0)
        m_ui->grade->setCurrentIndex(m_model->index(row, column));
    m_ui->grade->verticalScrollBar()->setValue(scrolled);
}

frmPrincipal::~frmPrincipal()
{
    qApp->removeEventFilter(this);
}

void frmPrincipal::loadWindow()
{
    m_session.ReportStartDate = Session::noReportStartDate();
    m_periodEnd = m_session.clock.today();
    SetUpGrid();
    m_ui->txtDia->setText(Formats::date(m_periodEnd));
    m_ui->txtDias->setText(QStringLiteral("1"));
    m_ui->lblDataHora->setText(ActivePeriod::dayCaption(m_periodEnd));
    if (!m_session.bookOpen) {
        showNoBook();
        paintLegend();
        return;
    }
    Activate();
    applyRestrictions();
    paintLegend();
}

void frmPrincipal::showNoBook()
{
    const QString reason = tr("Nenhum livro de caixa está aberto: %1").arg(m_session.noBookReason);
    m_ui->lblSemLivro->setText(reason);
    m_ui->lblSemLivro->show();
    m_ui->lblDataHora->setText(tr("NENHUM LIVRO ABERTO"));
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_ui->txtDia, m_ui->txtDias, m_ui->btnAtivar, m_ui->btnRelatorios, m_ui->grade,
             m_ui->btnAdicionar, m_ui->btnExcluir, m_ui->btnEditar}) {
        w->setEnabled(false);
        w->setToolTip(reason);
    }
    for (QAction* a : {m_ui->mnuUsuarios, m_ui->mnuOpcoes, m_ui->mnuFecharDia, m_ui->mnuReabrirDia,
                       m_ui->mnuHistorico, m_ui->mnuRestaurar}) {
        a->setEnabled(false);
        a->setToolTip(reason);
    }
}

void frmPrincipal::SetUpGrid()
{
    m_model->clear();
    QHeaderView* header = m_ui->grade->horizontalHeader();
    for (int column = 0; column < EntryGridModel::ColumnCount; ++column)
        header->resizeSection(column, EntryGridModel::widthInTwips(column) / kTwipsPerPixel);
    m_ui->grade->verticalHeader()->setDefaultSectionSize(22);
}

void frmPrincipal::applyRestrictions()
{
    if (!m_session.CurrentUser.isRestricted())
        return;
    m_ui->btnAtivar->setEnabled(false);
    m_ui->btnEditar->setEnabled(false);
    m_ui->btnExcluir->setEnabled(false);
    m_ui->mnuUsuarios->setVisible(false);
    m_ui->mnuOpcoes->setVisible(false);
    m_ui->mnuReabrirDia->setVisible(false);
    m_ui->mnuHistorico->setVisible(false);
    m_ui->mnuRestaurar->setVisible(false);
    // Typing another day must not show another day's entries.
    m_ui->txtDia->setReadOnly(true);
    m_ui->txtDias->setReadOnly(true);
}

void frmPrincipal::paintLegend()
{
    const SettingsValues& s = m_session.Settings;
    m_ui->fr2->paintLegend(s.receivedBackground(), s.receivedText(), s.paidBackground(),
                           s.paidText());
}

void frmPrincipal::Activate()
{
    if (!m_session.bookOpen)
        return;
    const auto activation = ActivePeriod::activate(m_ui->txtDia->text(), m_ui->txtDias->text(),
                                                   m_session.clock.today());
    switch (activation.problem) {
    case ActivePeriod::Problem::InvalidDate:
        reportDateProblem(tr("Erro"), tr("Informe uma data válida antes de continuar!"));
        return;
    case ActivePeriod::Problem::FutureDate:
        reportDateProblem(tr("Data inválida"),
                          tr("Impossível ativar o caixa para uma data superior a atual!"));
        return;
    case ActivePeriod::Problem::None:
        break;
    }
    showPeriod(activation.start, activation.end);
}

void frmPrincipal::showPeriod(const QDate& start, const QDate& end)
{
    m_periodStart = start;
    m_periodEnd = end;
    m_ui->txtDia->setText(Formats::date(m_periodEnd));
    m_ui->lblDataHora->setText(ActivePeriod::periodCaption(m_periodStart, m_periodEnd));
    FillGrid();
}

void frmPrincipal::reportDateProblem(const QString& title, const QString& text)
{
    m_session.dialogs.inform(this, Dialogs::Icon::Critical, title, text);
    m_ui->txtDia->setFocus();
    m_ui->txtDia->selectAll();
}

QDate frmPrincipal::gridFirstDay() const
{
    return m_session.CurrentUser.isRestricted() ? m_periodEnd : m_periodStart;
}

void frmPrincipal::FillGrid()
{
    DbConnection& db = m_session.db;
    EntryRows rows;
    auto read = EntryReader::readPeriod(db, gridFirstDay(), m_periodEnd, rows);
    if (read && *read == EntryReader::Outcome::MissingNdoc) {
        // An older book: add the document number column and read again, once.
        if (!EnsureColumn(db, QStringLiteral("caixa"), QStringLiteral("ndoc"),
                          QStringLiteral("varchar (255)"))) {
            m_model->clear();
            return;
        }
        read = EntryReader::readPeriod(db, gridFirstDay(), m_periodEnd, rows);
    }
    // A period that cannot be read shows no rows; the panel is still filled.
    if (!read || *read != EntryReader::Outcome::Read)
        rows.clear();

    Money opening;
    if (!rows.isEmpty()) {
        Fechar_Inicio();
        opening = m_session.OpeningBalance;
    }
    const SettingsValues& s = m_session.Settings;
    const EntryGridModel::Colours colours{s.receivedBackground(), s.receivedText(),
                                          s.paidBackground(), s.paidText()};
    if (!m_model->setEntries(std::move(rows), opening, EntryReader::accountNames(db).valueOr({}),
                             colours)) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro"),
            tr("Os valores deste período somam um valor grande demais para o sistema; os "
               "lançamentos não podem ser mostrados."));
    }
    // Without the date of the latest closing the rows are shown unmarked.
    m_model->setClosedThrough(Closings(db).lockedThrough().valueOr(QDate()));
    if (m_model->rowCount() > 0) {
        const QModelIndex last = m_model->index(m_model->rowCount() - 1, EntryGridModel::Saldo);
        m_ui->grade->setCurrentIndex(last);
        m_ui->grade->scrollTo(last);
    }
    ShowBalances();
}

void frmPrincipal::Fechar_Inicio()
{
    const QDate cutoff = m_session.ReportStartDate != Session::noReportStartDate()
                             ? m_session.ReportStartDate
                             : gridFirstDay();
    const auto opening = Balances::openingBalance(m_session.db, cutoff, m_session.ReportAccountId);
    // On failure the opening balance keeps its previous value.
    if (opening)
        m_session.OpeningBalance = *opening;
}

void frmPrincipal::ShowBalances()
{
    const auto yesterday = recordDayNet(m_periodEnd.addDays(-1));
    if (!yesterday)
        return;
    m_ui->fr2->setYesterday(m_session.CurrentUser.isRestricted() ? QStringLiteral("-")
                                                                 : yesterday->format());
    const auto today = recordDayNet(m_periodEnd);
    if (!today)
        return;
    m_ui->fr2->setToday(today->format());
    const auto totals = Balances::ofPeriod(m_session.db, m_periodStart, m_periodEnd);
    if (totals)
        m_ui->fr2->setTotals(totals->in.format(), totals->out.format());
}

std::optional<Money> frmPrincipal::recordDayNet(const QDate& day)
{
    const auto sums = Balances::ofDay(m_session.db, day);
    const auto net = sums ? sums->net() : std::nullopt;
    if (net) {
        if (Status saved = Balances::SaveDayBalance(m_session.db, *net, day); !saved)
            reportSaveFailure(saved);
    }
    return net;
}

// The day figures are written on every refresh; a book that refuses the write
// (read-only, locked, disk full) is reported once, not at every refresh.
void frmPrincipal::reportSaveFailure(const Status& failure)
{
    if (failure.reason() == m_lastSaveFailure)
        return;
    m_lastSaveFailure = failure.reason();
    m_session.dialogs.reportFailure(
        this, tr("Erro"), failure, tr("o saldo do dia não foi gravado"),
        tr("Não foi possível gravar o saldo do dia no livro de caixa:"));
}

void frmPrincipal::requestRefresh()
{
    m_tmAtualiza->start();
}

void frmPrincipal::onRefreshTimer()
{
    m_tmAtualiza->stop();
    Activate();
    paintLegend();
}

// Nothing here is refreshed after the report window closes.
void frmPrincipal::openReports()
{
    m_session.windows->reports(this);
}

// A restricted user searches only the day the grid shows.
void frmPrincipal::openSearch()
{
    const QDate onlyDay = m_session.CurrentUser.isRestricted() ? m_periodEnd : QDate();
    m_session.windows->entrySearch(this, onlyDay,
                                   [this](const QDate& day, qint64 id) { showEntry(day, id); });
}

void frmPrincipal::showEntry(const QDate& day, qint64 entryId)
{
    m_ui->txtDia->setText(Formats::date(day));
    m_ui->txtDias->setText(QStringLiteral("1"));
    Activate();
    const int row = m_model->rowOf(entryId);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, m_ui->grade->currentIndex().column());
    m_ui->grade->setCurrentIndex(index);
    m_ui->grade->scrollTo(index);
    // Where the keys go once the user comes back to this window.
    m_ui->grade->setFocus();
}

// The restored book is shown as the window shows a book at start-up.
void frmPrincipal::restoreBackup()
{
    if (!m_session.windows->restoreBackup(this))
        return;
    if (!m_session.bookOpen) {
        SetUpGrid();
        showNoBook();
        return;
    }
    requestRefresh();
}

void frmPrincipal::openGuide()
{
    const QString guide = UserGuide::find(QCoreApplication::applicationDirPath());
    if (guide.isEmpty()) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Exclamation, tr("Ajuda"),
            tr("O guia do programa não foi encontrado junto do programa (%1).")
                .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath())));
        return;
    }
    if (!m_session.dialogs.openUrl(QUrl::fromLocalFile(guide)))
        m_session.dialogs.inform(this, Dialogs::Icon::Exclamation, tr("Ajuda"),
                                 tr("O guia do programa não pôde ser aberto no navegador. Ele "
                                    "está em:\n%1")
                                     .arg(QDir::toNativeSeparators(guide)));
}

void frmPrincipal::openWebSite()
{
    m_session.dialogs.openUrl(QUrl(QString::fromLatin1(Product::webSite)));
}

void frmPrincipal::openSettings()
{
    m_session.windows->settings(this, [this] { requestRefresh(); });
}

void frmPrincipal::closeEvent(QCloseEvent* event)
{
    UserMemory::rememberWindow(this, QStringLiteral("frmPrincipal"));
    m_session.windows->mainWindowClosing(this);
    event->accept();
}

bool frmPrincipal::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->txtDias && event->type() == QEvent::FocusOut)
        m_ui->txtDias->setText(ActivePeriod::normalizedDays(m_ui->txtDias->text()));
    if (takesAltA(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Alt+A belongs to "&Ativar" even though "&Atualizações" shows the same
// letter: the key is taken before the shortcut system sees it as ambiguous.
bool frmPrincipal::takesAltA(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_A || key->modifiers() != Qt::AltModifier)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // deliver it as a key press instead of a shortcut
        return true;
    }
    if (m_ui->btnAtivar->isEnabled())
        m_ui->btnAtivar->animateClick();
    return true;
}
