#include "reports/frmRel.h"

#include "ui_frmRel.h"

#include "book/AccountBook.h"
#include "book/Balances.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "core/Windows.h"
#include "reports/ReportOutput.h"
#include "reports/ReportPeriod.h"
#include "reports/XlsxExport.h"
#include "reports/dtrLivroCaixa.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/UserMemory.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace {
constexpr int kNoticeMs = 3000;
constexpr int kProgressMs = 10;
constexpr int kClockMs = 1000;

QTimer* newTimer(QObject* owner, const QString& name, int interval)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}
} // namespace

frmRel::frmRel(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_ui(std::make_unique<Ui::frmRel>())
{
    m_ui->setupUi(this);
    setUpWindow();
    setUpStatusBar();
    connectControls();

    fillAccounts();
    m_session.ReportAccountId = 0;
    m_ui->prog->setValue(0);
    const QString today = Formats::date(m_session.clock.today());
    m_ui->txtDe->setText(today);
    m_ui->txtAte->setText(today);
    preview();
    applyRestrictions();
}

frmRel::~frmRel() = default;

void frmRel::setUpWindow()
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    setMinimumSize(size());
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(p);
    m_ui->Grupo->raise();
    m_ui->Mes->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Alt+C belongs to the preview's "&Copiar".
    m_ui->btnCancelar->setShortcut(QKeySequence());
    TextBoxes::selectAllOnFocus(m_ui->txtDe);
    TextBoxes::selectAllOnFocus(m_ui->txtAte);
    if (const QScreen* screen =
            parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    UserMemory::restoreWindow(this, QStringLiteral("frmRel"));

    m_tmAviso = newTimer(this, QStringLiteral("tmAviso"), kNoticeMs);
    m_tmProg = newTimer(this, QStringLiteral("tmProg"), kProgressMs);
}

void frmRel::setUpStatusBar()
{
    QStatusBar* bar = m_ui->StatusBar1;
    auto* text = new QLabel(tr("Relatório Tamiro - Lavrenta."), bar);
    text->setObjectName(QStringLiteral("pnlTexto"));
    text->setToolTip(tr("Relatório Tamiro - Lavrenta"));
    bar->addWidget(text, 1);
    m_statusDate = new QLabel(bar);
    m_statusDate->setObjectName(QStringLiteral("pnlData"));
    bar->addPermanentWidget(m_statusDate);
    m_statusTime = new QLabel(bar);
    m_statusTime->setObjectName(QStringLiteral("pnlHora"));
    bar->addPermanentWidget(m_statusTime);
    m_tmRelogio = newTimer(this, QStringLiteral("tmRelogio"), kClockMs);
    connect(m_tmRelogio, &QTimer::timeout, this, &frmRel::updateClock);
    m_tmRelogio->start();
    updateClock();
}

void frmRel::connectControls()
{
    connect(m_ui->btnVisualizar, &QPushButton::clicked, this, &frmRel::preview);
    connect(m_ui->btnPDF, &QPushButton::clicked, this, &frmRel::exportPdf);
    connect(m_ui->btnXLS, &QPushButton::clicked, this, &frmRel::exportXls);
    connect(m_ui->btnLoc1, &QPushButton::clicked, this,
            [this] { toggleCalendar(m_ui->btnLoc1, false); });
    connect(m_ui->btnLoc2, &QPushButton::clicked, this,
            [this] { toggleCalendar(m_ui->btnLoc2, true); });
    connect(m_ui->Mes, &QCalendarWidget::clicked, this, &frmRel::pickDate);
    connect(m_ui->Mes, &QCalendarWidget::activated, this, &frmRel::pickDate);
    connect(m_ui->btnOk, &QPushButton::clicked, this, &frmRel::pickDate);
    connect(m_ui->btnCancelar, &QPushButton::clicked, m_ui->Grupo, &QWidget::hide);
    Keyboard::enterPresses({m_ui->btnVisualizar, m_ui->btnPDF, m_ui->btnXLS, m_ui->btnLoc1,
                            m_ui->btnLoc2, m_ui->btnCancelar});
    // Enter after typing a day previews, as "Visualizar relatório" does.
    for (QWidget* box : {m_ui->txtDe, m_ui->txtAte})
        Keyboard::enterRuns(box, [this] {
            if (m_ui->btnVisualizar->isEnabled())
                preview();
        });
    connect(m_tmAviso, &QTimer::timeout, this, &frmRel::clearNotice);
    connect(m_tmProg, &QTimer::timeout, this, &frmRel::advanceProgress);
    connect(m_ui->VRel, &ReportPreview::problem, this,
            [this](const QString& reason) { showNotice(reason); });
}

void frmRel::fillAccounts()
{
    m_ui->cboConta->clear();
    m_ui->cboConta->addItem(tr("Todas"));
    const auto names = AccountBook(m_session.db).namesInOrder();
    if (names)
        m_ui->cboConta->addItems(*names);
    if (m_ui->cboConta->count() > 1) {
        m_ui->cboConta->setCurrentIndex(0);
        return;
    }
    // Left without a choice: the first preview then has no account.
    m_ui->cboConta->setCurrentIndex(-1);
    m_session.dialogs.inform(
        this, Dialogs::Icon::Information, tr("Contas"),
        tr("Não existem contas cadastradas, cadastre ao menos uma antes de continuar!"));
    m_session.windows->accountRegister(this);
}

// A restricted user sees only today's report (and may print and export it).
void frmRel::applyRestrictions()
{
    if (!m_session.CurrentUser.isRestricted())
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{m_ui->btnVisualizar, m_ui->txtDe,
                                                      m_ui->txtAte, m_ui->btnLoc1, m_ui->btnLoc2})
        w->setEnabled(false);
}

frmRel::Account frmRel::chosenAccount() const
{
    const int index = m_ui->cboConta->currentIndex();
    if (index == 0)
        return {0, m_ui->cboConta->itemText(0), QString()};
    const QString name = m_ui->cboConta->currentText();
    if (index < 0 || name.isEmpty())
        return {0, QString(), tr("Escolha uma conta")};
    const auto id = AccountBook(m_session.db).idOf(name);
    if (!id)
        return {0, name, tr("Erro ao gerar o relatório: %1").arg(id.reason())};
    if (!*id)
        return {0, name, tr("Conta não encontrada: %1").arg(name)};
    return {**id, name, QString()};
}

void frmRel::preview()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    m_session.NewPagePerDay = m_ui->ckFolhaDia->isChecked();
    const ReportPeriod::Check period =
        ReportPeriod::check(m_ui->txtDe->text(), m_ui->txtAte->text());
    switch (period.problem) {
    case ReportPeriod::Problem::InvalidFirst:
        showNotice(tr("Data inicial inválida"), m_ui->txtDe);
        return;
    case ReportPeriod::Problem::InvalidLast:
        showNotice(tr("Data final inválida"), m_ui->txtAte);
        return;
    case ReportPeriod::Problem::FirstAfterLast:
        showNotice(tr("Data inicial maior que data final"), m_ui->txtDe);
        return;
    case ReportPeriod::Problem::None:
        break;
    }
    m_session.ReportPeriodText = ReportPeriod::text(period.first, period.last);
    const Account account = chosenAccount();
    if (!account.problem.isEmpty()) {
        showNotice(account.problem); // the previous report stays
        return;
    }
    m_session.ReportAccountId = account.id;
    m_session.ReportStartDate = period.first;
    const auto opening = Balances::openingBalance(m_session.db, period.first, account.id);
    if (!opening) {
        showNotice(tr("Erro ao gerar o relatório: %1").arg(opening.reason()));
        return;
    }
    m_session.OpeningBalance = *opening;

    const ReportContext context{m_session.OpeningBalance, m_session.ReportPeriodText,
                                m_session.NewPagePerDay};
    auto built = CashBookReport::build(m_session.db, {period.first, period.last, account.id},
                                       context, account.name);
    if (!built) {
        showNotice(tr("Erro ao gerar o relatório: %1").arg(built.reason()));
        return;
    }
    m_content = std::move(built->content);
    m_shownPeriod = {period.first, period.last};
    m_ui->VRel->setDocument(std::move(built->document));
    m_tmProg->start();
}

void frmRel::showNotice(const QString& text, QWidget* focus)
{
    m_ui->lblAviso->setText(text);
    m_ui->lblAviso->setToolTip(text);
    if (focus)
        focus->setFocus();
    m_tmAviso->start();
}

void frmRel::clearNotice()
{
    m_tmAviso->stop();
    m_ui->lblAviso->clear();
    m_ui->lblAviso->setToolTip(QString());
}

// Runs the bar from 0 to 100 in twenty steps after each preview, then hides
// it; it shows that a preview happened, not how far it got.
void frmRel::advanceProgress()
{
    if (m_ui->prog->value() >= 100) {
        m_ui->prog->setValue(0);
        m_ui->prog->hide();
        m_tmProg->stop();
        return;
    }
    m_ui->prog->show();
    m_ui->prog->setValue(m_ui->prog->value() + 5);
}

void frmRel::updateClock()
{
    const QDateTime now = m_session.clock.now();
    m_statusDate->setText(Formats::date(now.date()));
    m_statusTime->setText(Formats::time(now.time()));
}

void frmRel::toggleCalendar(QPushButton* button, bool forLastDay)
{
    QWidget* group = m_ui->Grupo;
    group->move(button->x(), button->y() + button->height() - 2);
    const bool openForThisBox = group->isVisible() && m_calendarForLastDay == forLastDay;
    m_calendarForLastDay = forLastDay;
    if (openForThisBox) {
        group->hide();
        return;
    }
    const auto typed = Formats::parseDate((forLastDay ? m_ui->txtAte : m_ui->txtDe)->text());
    m_ui->Mes->setSelectedDate(typed ? *typed : m_session.clock.today());
    group->show();
    group->raise();
}

void frmRel::pickDate()
{
    QLineEdit* target = m_calendarForLastDay ? m_ui->txtAte : m_ui->txtDe;
    target->setText(Formats::date(m_ui->Mes->selectedDate()));
    m_ui->Grupo->hide();
    target->setFocus();
}

void frmRel::exportTo(const QString& title, const QString& suffix, const QString& filter,
                      const std::function<QString(const QString&)>& write)
{
    if (m_ui->VRel->pageCount() == 0 || !m_content)
        return;
    const QString suggested =
        QDir(UserMemory::exportFolder())
            .filePath(QStringLiteral("livro-caixa_%1_a_%2.%3")
                          .arg(m_shownPeriod.first.toString(Qt::ISODate),
                               m_shownPeriod.second.toString(Qt::ISODate), suffix));
    const QString fileName = m_session.dialogs.saveFileName(this, title, suffix, filter, suggested);
    if (fileName.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString problem = write(fileName);
    QApplication::restoreOverrideCursor();
    if (!problem.isEmpty()) {
        m_session.dialogs.inform(
            this, Dialogs::Icon::Critical, tr("Erro"),
            tr("Não foi possível exportar o relatório para %1:\n%2").arg(fileName, problem));
        return;
    }
    UserMemory::rememberExportFolder(QFileInfo(fileName).absolutePath());
    showNotice(tr("Gravado em %1").arg(QDir::toNativeSeparators(fileName)));
    shortenNoticePath(fileName);
}

// A path longer than the notice line loses the start of its folder, which
// says the least; the file's name stays whole while it fits, and the
// tooltip holds the whole path.
void frmRel::shortenNoticePath(const QString& fileName)
{
    QLabel* notice = m_ui->lblAviso;
    const QFontMetrics metrics = notice->fontMetrics();
    const int room = notice->contentsRect().width() - 4;
    if (metrics.horizontalAdvance(notice->text()) <= room)
        return;
    const QFileInfo file(fileName);
    const QString head = tr("Gravado em %1").arg(QString());
    const QString tail = QDir::separator() + file.fileName();
    const int folderRoom = room - metrics.horizontalAdvance(head + tail);
    notice->setText(folderRoom > metrics.horizontalAdvance(QStringLiteral("……"))
                        ? head +
                              metrics.elidedText(QDir::toNativeSeparators(file.absolutePath()),
                                                 Qt::ElideLeft, folderRoom) +
                              tail
                        : metrics.elidedText(notice->text(), Qt::ElideMiddle, room));
}

void frmRel::exportPdf()
{
    exportTo(tr("Exportar relatório para PDF"), QStringLiteral("pdf"), QStringLiteral("*.pdf"),
             [this](const QString& name) {
                 return ReportOutput::writePdf(*m_ui->VRel->document(), name).reason();
             });
}

void frmRel::exportXls()
{
    exportTo(tr("Exportar relatório para XLS"), QStringLiteral("xlsx"), QStringLiteral("*.xlsx"),
             [this](const QString& name) { return XlsxExport::write(*m_content, name).reason(); });
}

void frmRel::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int statusHeight = m_ui->StatusBar1->height();
    m_ui->StatusBar1->setGeometry(0, height() - statusHeight, width(), statusHeight);
    const QRect preview = m_ui->VRel->geometry();
    m_ui->VRel->setGeometry(preview.left(), preview.top(), width() - 2 * preview.left(),
                            height() - statusHeight - preview.top() - 3);
}

// However the window closes, the main window's balances are its own again.
void frmRel::done(int result)
{
    UserMemory::rememberWindow(this, QStringLiteral("frmRel"));
    m_session.ReportAccountId = 0;
    m_session.ReportStartDate = Session::noReportStartDate();
    m_tmRelogio->stop();
    QDialog::done(result);
}
