#pragma once

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
struct CashBookContent;
struct Session;

// The report window: the period, the account and the page-per-day choice,
// the preview of the cash book, and its export to PDF and to a spreadsheet.
// It coordinates; the report, its pages and the files are made by
// widget-free classes.
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
    void clearNotice();
    void shortenNoticePath(const QString& fileName);
    void advanceProgress();
    void updateClock();
    void toggleCalendar(QPushButton* button, bool forLastDay);
    void pickDate();
    // Asks where to save and writes; nothing happens without pages.
    void exportTo(const QString& title, const QString& suffix, const QString& filter,
                  const std::function<QString(const QString&)>& write);

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
};
