#pragma once

#include "core/Status.h"
#include "reports/ReportTask.h"

#include <QDate>
#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class frmRel;
}
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class ReportDocument;
struct CashBookContent;
struct Session;

// The report window: the period, the account and the page-per-day choice,
// the preview of the cash book, and its export to PDF and to a spreadsheet.
// It coordinates; the report, its pages and the files are made by
// widget-free classes, on a thread of their own: meanwhile the window moves,
// repaints and shows the first pages, the bar "prog" counts what is done,
// and "btnCancelarExportacao" stops the work.
class frmRel final : public QDialog
{
    Q_OBJECT

public:
    explicit frmRel(Session& session, QWidget* parent = nullptr);
    ~frmRel() override;

    // "btnVisualizar": checks the period and previews its report.
    void preview();
    void exportPdf();
    void exportXls();

    // The figures behind the report in the preview, if any.
    const CashBookContent* content() const { return m_content.get(); }
    // Whether a report is being made or written.
    bool isWorking() const;
    // Stops it; the window is free again once the work has ended.
    void cancelWork();

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Account
    {
        qint64 id = 0;
        QString name;
        QString problem; // why the chosen account cannot be used
    };

    void setUpWindow();
    void setUpStatusBar();
    void connectControls();
    void fillAccounts();
    void applyRestrictions();
    Account chosenAccount() const;
    void showNotice(const QString& text, QWidget* focus = nullptr);
    // The closings of the period instead of the cash book (ckFechamentos).
    void exportClosings(bool pdf);
    void clearNotice();
    void shortenNoticePath(const QString& fileName);
    void advanceProgress();
    void showProgress();
    void setWorking(bool working);
    void startPreview(const QDate& first, const QDate& last, qint64 accountId,
                      const QString& accountName);
    void previewEnded(const Status& status, const std::shared_ptr<const CashBookContent>& content);
    void dropPreview();
    void exportEnded(const QString& fileName, const Status& status);
    ReportTask::Callbacks exportCallbacks(const QString& fileName);
    // Lets a report that left the preview go, off this thread: a long one is
    // a million small pieces.
    static void releaseLater(std::shared_ptr<const ReportDocument> document,
                             std::shared_ptr<const CashBookContent> content);
    void updateClock();
    void toggleCalendar(QPushButton* button, bool forLastDay);
    void pickDate();
    // Asks where to save and writes; nothing happens without pages.
    void exportTo(const QString& title, const QString& suffix, const QString& filter,
                  const std::function<std::unique_ptr<ReportTask>(const QString&)>& start);

    Session& m_session;
    std::unique_ptr<Ui::frmRel> m_ui;
    QTimer* m_tmAviso = nullptr;
    QTimer* m_tmProg = nullptr;
    QTimer* m_tmRelogio = nullptr;
    QLabel* m_statusDate = nullptr;
    QLabel* m_statusTime = nullptr;
    bool m_calendarForLastDay = false; // false: the calendar fills txtDe
    std::shared_ptr<const CashBookContent> m_content;
    // The first and last day of the report in the preview.
    std::pair<QDate, QDate> m_shownPeriod;
    // The period of the report being made, the preview's once it is done.
    std::pair<QDate, QDate> m_pendingPeriod;
    std::unique_ptr<ReportTask> m_task;
    // What the preview showed before the report being made, shown again
    // when that one fails or is stopped.
    std::shared_ptr<const ReportDocument> m_shownBefore;
    bool m_previewReplaced = false;
    bool m_previewing = false; // the work under way is a preview
};
