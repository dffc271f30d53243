#pragma once

#include "core/Money.h"
#include "core/Status.h"

#include <QDate>
#include <QMainWindow>
#include <QTimer>

#include <memory>

namespace Ui {
class frmPrincipal;
}
class EntryGridModel;
struct Session;

// The cash book: the entries of the active period with their running
// balances, and the balance panel. It coordinates; the sums and the reading
// of entries live in widget-free classes.
class frmPrincipal final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmPrincipal(Session& session, QWidget* parent = nullptr);
    ~frmPrincipal() override;

    // "&Ativar": validates the day, sets the active period and fills the grid.
    void Activate();
    // Makes start..end the active period, without the checks of Activate.
    void showPeriod(const QDate& start, const QDate& end);
    // Refills the grid for the active period, then the balance panel.
    void FillGrid();
    // The balance of the entries before the cut-off day into OpeningBalance.
    void Fechar_Inicio();
    // The four amounts of the panel, and the two days' rows of "saldos".
    void ShowBalances();
    // Asks for a refresh through the one-shot timer, as after new settings.
    void requestRefresh();
    // Activates the entry's day as "&Ativar" would, with the days box at 1,
    // and selects the entry in the grid.
    void showEntry(const QDate& day, qint64 entryId);

    QDate PeriodStart() const { return m_periodStart; }
    QDate PeriodEnd() const { return m_periodEnd; }
    EntryGridModel* gridModel() const { return m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window ends the program, after the backup (automatic or
    // asked for).
    void closeEvent(QCloseEvent* event) override;

private:
    void SetUpGrid();
    void loadWindow();
    void applyRestrictions();
    // Without a book the window says so and why, and switches off every
    // command that needs one.
    void showNoBook();
    void paintLegend();
    void followOtherDesks();
    void refreshKeepingPlace();
    void onRefreshTimer();
    void openWebSite();
    void openSettings();
    void openReports();
    void openSearch();
    void restoreBackup();
    void openGuide();
    void reportDateProblem(const QString& title, const QString& text);
    void reportSaveFailure(const Status& failure);
    // A day's net movement of all accounts, recorded in "saldos"; nothing
    // when it cannot be summed.
    std::optional<Money> recordDayNet(const QDate& day);
    bool takesAltA(QObject* watched, QEvent* event);
    // The first day the grid lists: the day only, for a restricted user.
    QDate gridFirstDay() const;

    Session& m_session;
    std::unique_ptr<Ui::frmPrincipal> m_ui;
    EntryGridModel* m_model = nullptr;
    QTimer* m_tmAtualiza = nullptr;
    QTimer* m_otherDesks = nullptr; // a refresh after another desk's change
    QDate m_periodStart;
    QDate m_periodEnd;
    QString m_lastSaveFailure;
};
