#include "reports/frmRel.h"

#include "ui_frmRel.h"

#include "book/AccountBook.h"
#include "book/Closings.h"
#include "core/Clock.h"
#include "core/DbConnection.h"
#include "core/Dialogs.h"
#include "core/Formats.h"
#include "core/Session.h"
#include "core/Windows.h"
#include "reports/ReportPdf.h"
#include "reports/ReportPeriod.h"
#include "reports/ReportTask.h"
#include "reports/TableExport.h"
#include "reports/dtrLivroCaixa.h"
#include "widgets/Keyboard.h"
#include "widgets/TextBoxes.h"
#include "widgets/UserMemory.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QStatusBar>
#include <QThreadPool>
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
    m_ui->lblProgresso->raise();
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
    connect(m_ui->btnCancelarExportacao, &QPushButton::clicked, this, &frmRel::cancelWork);
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
    // A preview under way gives way to the one asked for now; an export
    // is left to finish (or be stopped).
    if (isWorking() && !m_previewing)
        return;
    if (isWorking())
        dropPreview();
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
    startPreview(period.first, period.last, account.id, account.name);
}

// The report is read and laid out on a thread of its own; its first page
// replaces the preview as soon as it is complete, and the rest follows.
void frmRel::startPreview(const QDate& first, const QDate& last, qint64 accountId,
                          const QString& accountName)
{
    if (!m_session.db.isOpen()) {
        showNotice(tr("Erro ao gerar o relatório: %1").arg(tr("o livro de caixa não está aberto")));
        return;
    }
    const ReportTask::PreviewRequest request{m_session.db.location(),
                                             {first, last, accountId},
                                             m_session.ReportPeriodText,
                                             m_session.NewPagePerDay,
                                             accountName};
    ReportTask::Callbacks callbacks;
    callbacks.opened = [this](Money opening) { m_session.OpeningBalance = opening; };
    callbacks.firstPage = [this](std::shared_ptr<const ReportDocument> document) {
        // A report's first page alone may come before the whole report.
        if (m_previewReplaced)
            releaseLater(m_ui->VRel->document(), nullptr);
        else
            m_shownBefore = m_ui->VRel->document();
        m_previewReplaced = true;
        const int page = m_ui->VRel->currentPage();
        m_ui->VRel->setDocument(std::move(document));
        m_ui->VRel->setCurrentPage(page);
    };
    callbacks.finished = [this](const Status& status, const dtrLivroCaixa::Output& output) {
        previewEnded(status, output.content);
    };
    m_previewReplaced = false;
    m_pendingPeriod = {first, last};
    m_task = ReportTask::preview(request, std::move(callbacks));
    m_previewing = true;
    setWorking(true);
}

// Stops the preview under way at once (its thread stops within a step),
// and gives the preview back the report it showed before.
void frmRel::dropPreview()
{
    m_task.reset();
    std::shared_ptr<const ReportDocument> superseded;
    if (m_previewReplaced) {
        superseded = m_ui->VRel->document();
        m_ui->VRel->setDocument(m_shownBefore);
    }
    m_shownBefore.reset();
    m_previewReplaced = false;
    setWorking(false);
    releaseLater(std::move(superseded), nullptr);
}

void frmRel::previewEnded(const Status& status,
                          const std::shared_ptr<const CashBookContent>& content)
{
    const bool cancelled = m_task && m_task->progress().isCancelled();
    std::shared_ptr<const ReportDocument> superseded;
    std::shared_ptr<const CashBookContent> supersededContent;
    if (status) {
        superseded = std::move(m_shownBefore);
        supersededContent = std::exchange(m_content, content);
        m_shownPeriod = m_pendingPeriod;
        m_ui->VRel->refreshPages();
    } else {
        // A report that failed or was stopped gives the preview back to the
        // one it showed before.
        if (m_previewReplaced) {
            superseded = m_ui->VRel->document();
            m_ui->VRel->setDocument(m_shownBefore);
        }
        if (!cancelled)
            showNotice(tr("Erro ao gerar o relatório: %1").arg(status.reason()));
    }
    m_shownBefore.reset();
    m_previewReplaced = false;
    setWorking(false);
    releaseLater(std::move(superseded), std::move(supersededContent));
}

void frmRel::releaseLater(std::shared_ptr<const ReportDocument> document,
                          std::shared_ptr<const CashBookContent> content)
{
    if (!document && !content)
        return;
    // The chart's scene belongs to this thread; everything else may go anywhere.
    if (document && document.use_count() == 1)
        document->releaseChartRenderer();
    QThreadPool::globalInstance()->start(
        [document = std::move(document), content = std::move(content)]() mutable {
            document.reset();
            content.reset();
        });
}

bool frmRel::isWorking() const
{
    return m_task != nullptr;
}

void frmRel::cancelWork()
{
    if (!m_task)
        return;
    m_task->cancel();
    m_ui->btnCancelarExportacao->setEnabled(false);
}

void frmRel::setWorking(bool working)
{
    m_ui->btnCancelarExportacao->setVisible(working);
    m_ui->btnCancelarExportacao->setEnabled(working);
    m_ui->lblProgresso->setVisible(working);
    m_ui->btnPDF->setEnabled(!working);
    m_ui->btnXLS->setEnabled(!working);
    if (!working)
        m_previewing = false;
    m_ui->btnVisualizar->setEnabled((!working || m_previewing) &&
                                    !m_session.CurrentUser.isRestricted());
    if (working) {
        setCursor(Qt::BusyCursor);
        m_ui->prog->setValue(0);
        m_ui->prog->show();
        showProgress();
        m_tmProg->start();
        return;
    }
    unsetCursor();
    // Called from the task's own callback: it goes once that returns.
    if (m_task)
        m_task.release()->deleteLater();
}

// While work runs, the bar and the line under it say how far it got.
void frmRel::showProgress()
{
    const TaskProgress& progress = m_task->progress();
    const qint64 total = progress.total();
    const qint64 done = std::min(progress.done(), total);
    m_ui->prog->setValue(total > 0 ? int(done * 100 / total) : 0);
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    QString text;
    switch (progress.stage()) {
    case ReportTask::Reading:
        text = tr("Lendo os lançamentos...");
        break;
    case ReportTask::LayingOut:
        text =
            tr("Montando: %1 de %2 lançamentos").arg(brazil.toString(done), brazil.toString(total));
        break;
    case ReportTask::WritingPdf:
        text = tr("PDF: página %1 de %2").arg(brazil.toString(done), brazil.toString(total));
        break;
    case ReportTask::WritingXlsx:
        text =
            tr("Planilha: %1 de %2 lançamentos").arg(brazil.toString(done), brazil.toString(total));
        break;
    }
    if (progress.isCancelled())
        text = tr("Cancelando...");
    m_ui->lblProgresso->setText(text);
    m_ui->VRel->refreshPages();
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

// While a report is made or written the bar follows the work; once the work
// ends it runs on to 100 in steps of five and hides, as it always did after
// a preview.
void frmRel::advanceProgress()
{
    if (m_task) {
        showProgress();
        return;
    }
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
                      const std::function<std::unique_ptr<ReportTask>(const QString&)>& start)
{
    if (isWorking() || m_ui->VRel->pageCount() == 0 || !m_content)
        return;
    const QString suggested =
        QDir(UserMemory::exportFolder())
            .filePath(QStringLiteral("livro-caixa_%1_a_%2.%3")
                          .arg(m_shownPeriod.first.toString(Qt::ISODate),
                               m_shownPeriod.second.toString(Qt::ISODate), suffix));
    const QString fileName = m_session.dialogs.saveFileName(this, title, suffix, filter, suggested);
    if (fileName.isEmpty())
        return;
    m_task = start(fileName);
    setWorking(true);
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

ReportTask::Callbacks frmRel::exportCallbacks(const QString& fileName)
{
    ReportTask::Callbacks callbacks;
    callbacks.finished = [this, fileName](const Status& status, const dtrLivroCaixa::Output&) {
        exportEnded(fileName, status);
    };
    return callbacks;
}

void frmRel::exportEnded(const QString& fileName, const Status& status)
{
    const bool cancelled = m_task && m_task->progress().isCancelled();
    setWorking(false);
    if (cancelled)
        return;
    if (!status) {
        m_session.dialogs.inform(this, Dialogs::Icon::Critical, tr("Erro"),
                                 tr("Não foi possível exportar o relatório para %1:\n%2")
                                     .arg(fileName, status.reason()));
        return;
    }
    UserMemory::rememberExportFolder(QFileInfo(fileName).absolutePath());
    showNotice(tr("Gravado em %1").arg(QDir::toNativeSeparators(fileName)));
    shortenNoticePath(fileName);
}

// The chart is drawn here, where Qt Charts may paint; the pages, on the
// task's thread.
void frmRel::exportPdf()
{
    if (m_ui->ckFechamentos->isChecked()) {
        exportClosings(true);
        return;
    }
    exportTo(tr("Exportar relatório para PDF"), QStringLiteral("pdf"), QStringLiteral("*.pdf"),
             [this](const QString& name) {
                 const auto document = m_ui->VRel->document();
                 return ReportTask::pdf(document, ReportPdf::drawChart(*document), name,
                                        exportCallbacks(name));
             });
}

void frmRel::exportXls()
{
    if (m_ui->ckFechamentos->isChecked()) {
        exportClosings(false);
        return;
    }
    exportTo(tr("Exportar relatório para XLS"), QStringLiteral("xlsx"), QStringLiteral("*.xlsx"),
             [this](const QString& name) {
                 return ReportTask::xlsx(m_content, name, exportCallbacks(name));
             });
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

namespace {

QStringList closingCells(const Closings::Closing& c)
{
    QString reopening;
    if (c.reopened)
        reopening = frmRel::tr("Reaberto por %1 em %2: %3")
                        .arg(c.reopenedBy, Formats::moment(c.reopenedAt), c.reopenReason);
    return {Formats::date(c.day), c.computed.format(),
            c.counted.format(),   c.difference.format(),
            c.closedBy,           Formats::moment(c.closedAt),
            c.closedOn,           reopening};
}

} // namespace

// Made at once, beside any preview under way: the closings of a period
// are a few rows.
void frmRel::exportClosings(bool pdf)
{
    const ReportPeriod::Check period =
        ReportPeriod::check(m_ui->txtDe->text(), m_ui->txtAte->text());
    if (period.problem != ReportPeriod::Problem::None) {
        showNotice(tr("Período inválido"), m_ui->txtDe);
        return;
    }
    const auto closings = Closings(m_session.db).ofPeriod(period.first, period.last);
    if (!closings) {
        showNotice(tr("Erro ao ler os fechamentos: %1").arg(closings.reason()));
        return;
    }
    const QString suffix = pdf ? QStringLiteral("pdf") : QStringLiteral("xlsx");
    const QString suggested = QDir(UserMemory::exportFolder())
                                  .filePath(QStringLiteral("fechamentos_%1_a_%2.%3")
                                                .arg(period.first.toString(Qt::ISODate),
                                                     period.last.toString(Qt::ISODate), suffix));
    const QString fileName = m_session.dialogs.saveFileName(
        this, pdf ? tr("Exportar fechamentos para PDF") : tr("Exportar fechamentos para XLS"),
        suffix, QStringLiteral("*.") + suffix, suggested);
    if (fileName.isEmpty())
        return;
    TableExport::Table table{
        tr("Fechamentos de caixa"),
        tr("De %1 a %2").arg(Formats::date(period.first), Formats::date(period.last)),
        {tr("Dia"), tr("Calculado"), tr("Contado"), tr("Diferença"), tr("Fechado por"), tr("Em"),
         tr("Computador"), tr("Reabertura")},
        {}};
    for (const Closings::Closing& c : *closings)
        table.rows.append(closingCells(c));
    if (!TableExport::exportTo(this, m_session.dialogs, table, fileName, pdf))
        return;
    showNotice(tr("Gravado em %1").arg(QDir::toNativeSeparators(fileName)));
    shortenNoticePath(fileName);
}

// However the window closes, the main window's balances are its own again.
void frmRel::done(int result)
{
    UserMemory::rememberWindow(this, QStringLiteral("frmRel"));
    m_task.reset(); // stopped, and waited for
    m_session.ReportAccountId = 0;
    m_session.ReportStartDate = Session::noReportStartDate();
    m_tmRelogio->stop();
    QDialog::done(result);
}
