#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

// The clock says 05/12/2026 14:03. Two days before the period, yesterday and today.
struct PreparedBook : TestBook
{
    PreparedBook()
    {
        caixa = addAccount(QStringLiteral("CAIXA"));
        banco = addAccount(QStringLiteral("BANCO D'ÁVILA"));
        addEntry(QStringLiteral("2026-12-01"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Troco"), QStringLiteral("1.000,00"), QStringLiteral("0,00"));
        addEntry(QStringLiteral("2026-12-02"), QStringLiteral("08:00:00"), banco, QStringLiteral("Aluguel"), QStringLiteral("0,00"), QStringLiteral("200,00"));
        addEntry(QStringLiteral("2026-12-04"), QStringLiteral("09:00:00"), banco, QStringLiteral("Luz"), QStringLiteral("0,00"), QStringLiteral("30,00"));
        addEntry(QStringLiteral("2026-12-04"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Venda"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        // Same minute: listed by id, whatever the order they were stored in.
        exec(QStringLiteral("insert into caixa (id, idconta, data, hora, ndoc, descricao, entrada, saida) values (50, ?, '2026-12-05', '10:00:00', 'NF 1', 'Venda cartão', 500000, 0)"), {caixa});
        exec(QStringLiteral("insert into caixa (id, idconta, data, hora, descricao, entrada, saida) values (40, ?, '2026-12-05', '10:00:00', 'Compra', 0, 200000)"), {caixa});
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("11:00:00"), 99, QStringLiteral("Conta apagada"), QStringLiteral("10,00"), QStringLiteral("0,00"));
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("12:00:00"), caixa, QStringLiteral("Sem valor"), std::nullopt, std::nullopt);
        addEntry(QStringLiteral("2026-12-06"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Amanhã"), QStringLiteral("5,00"), QStringLiteral("0,00"));
        LoadSettings(db, session.Settings);
    }
    qint64 caixa = 0;
    qint64 banco = 0;
};

QStringList column(const EntryGridModel* model, int c)
{
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts.append(model->cellText(r, c));
    return texts;
}

QString label(QWidget& w, const char* name)
{
    return control<QLabel>(w, name)->text();
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void opensOnToday()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        QCOMPARE(w.windowTitle(), QStringLiteral("..:: Tamiro - Lavrenta ::.."));
        QCOMPARE(control<QLineEdit>(w, "txtDia")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(control<QLineEdit>(w, "txtDias")->text(), QStringLiteral("1"));
        QCOMPARE(label(w, "lblDataHora"), QStringLiteral("CAIXA ATIVO : 04/12/2026 até 05/12/2026"));
        QCOMPARE(w.PeriodStart(), QDate(2026, 12, 4));
        QCOMPARE(w.PeriodEnd(), QDate(2026, 12, 5));
        QCOMPARE(book.session.ReportStartDate, QDate(1900, 1, 1));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void gridAndPanelShowThePeriod()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        const auto* model = w.gridModel();
        QCOMPARE(model->rowCount(), 6);
        QCOMPARE(column(model, EntryGridModel::Descricao),
                 (QStringList{QStringLiteral("Venda"), QStringLiteral("Luz"), QStringLiteral("Compra"),
                              QStringLiteral("Venda cartão"), QStringLiteral("Conta apagada"), QStringLiteral("Sem valor")}));
        QCOMPARE(column(model, EntryGridModel::Id).mid(2, 2), (QStringList{QStringLiteral("40"), QStringLiteral("50")}));
        // Opening balance 800,00: the entries before the period.
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("800,00"));
        QCOMPARE(column(model, EntryGridModel::Saldo),
                 (QStringList{QStringLiteral("900,00"), QStringLiteral("870,00"), QStringLiteral("850,00"),
                              QStringLiteral("900,00"), QStringLiteral("910,00"), QStringLiteral("910,00")}));
        QCOMPARE(column(model, EntryGridModel::Conta),
                 (QStringList{QStringLiteral("CAIXA"), QStringLiteral("BANCO D'ÁVILA"), QStringLiteral("CAIXA"),
                              QStringLiteral("CAIXA"), QStringLiteral("-"), QStringLiteral("CAIXA")}));
        QCOMPARE(column(model, EntryGridModel::Entrada).last(), QString());
        QCOMPARE(column(model, EntryGridModel::Saida).last(), QStringLiteral("0,00"));
        QCOMPARE(model->cellText(3, EntryGridModel::NDoc), QStringLiteral("NF 1"));
        // Received rows white on blue, paid-out rows white on red.
        QCOMPARE(model->index(0, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::blue));
        QCOMPARE(model->index(1, 5).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(model->index(1, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
        // The selected row after a refresh is the last one, at its balance.
        const QModelIndex current = control<QTableView>(w, "grade")->currentIndex();
        QCOMPARE(current.row(), 5);
        QCOMPARE(current.column(), int(EntryGridModel::Saldo));
        // The panel: yesterday's and today's movement, the period's totals
        // (the sums of the grid's columns), and one "saldos" row per day.
        QCOMPARE(label(w, "lblSaldoOntem"), QStringLiteral("70,00"));
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("40,00"));
        QCOMPARE(label(w, "lblTotalEntradas"), QStringLiteral("160,00"));
        QCOMPARE(label(w, "lblTotalSaidas"), QStringLiteral("50,00"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from saldos")).toInt(), 2);
        QCOMPARE(book.scalar(QStringLiteral("select saldo from saldos where data = '2026-12-04'")).toLongLong(), qint64(700000));
    }

    void activatingAgainOverwritesTheDayRows()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("13:00:00"), book.caixa, QStringLiteral("Mais"), QStringLiteral("0,00"), QStringLiteral("60,00"));
        w.Activate();
        w.Activate();
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from saldos")).toInt(), 2);
        QCOMPARE(book.scalar(QStringLiteral("select saldo from saldos where data = '2026-12-05'")).toLongLong(), qint64(-200000));
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("-20,00"));
        QCOMPARE(w.gridModel()->rowCount(), 7);
    }

    void activatingAnotherPeriod()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        control<QLineEdit>(w, "txtDia")->setText(QStringLiteral("02/12/2026"));
        control<QLineEdit>(w, "txtDias")->setText(QStringLiteral("2"));
        control<QPushButton>(w, "btnAtivar")->click();
        QCOMPARE(label(w, "lblDataHora"), QStringLiteral("CAIXA ATIVO : 30/11/2026 até 02/12/2026"));
        QCOMPARE(w.gridModel()->rowCount(), 2);
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("0,00"));
        QCOMPARE(w.gridModel()->cellText(1, EntryGridModel::Saldo), QStringLiteral("800,00"));
        QCOMPARE(label(w, "lblSaldoOntem"), QStringLiteral("1.000,00"));
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("-200,00"));

        // A period without entries still refreshes the panel.
        control<QLineEdit>(w, "txtDia")->setText(QStringLiteral("01/01/2025"));
        control<QPushButton>(w, "btnAtivar")->click();
        QCOMPARE(w.gridModel()->rowCount(), 0);
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("0,00"));
        QCOMPARE(label(w, "lblTotalEntradas"), QStringLiteral("0,00"));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from saldos where data = '2025-01-01'")).toLongLong(), qint64(0));
    }

    void activationMessagesKeepThePeriod_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString() << "Erro" << "Informe uma data válida antes de continuar!";
        QTest::newRow("31 February") << "31/02/2026" << "Erro" << "Informe uma data válida antes de continuar!";
        QTest::newRow("tomorrow") << "06/12/2026" << "Data inválida" << "Impossível ativar o caixa para uma data superior a atual!";
    }
    void activationMessagesKeepThePeriod()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, text);
        PreparedBook book;
        frmPrincipal w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* txtDia = control<QLineEdit>(w, "txtDia");
        txtDia->setText(typed);
        control<QPushButton>(w, "btnAtivar")->click();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, title);
        QCOMPARE(book.dialogs.last().text, text);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(txtDia->hasFocus());
        QCOMPARE(txtDia->selectedText(), txtDia->displayText());
        QCOMPARE(w.PeriodStart(), QDate(2026, 12, 4));
        QCOMPARE(w.PeriodEnd(), QDate(2026, 12, 5));
        QCOMPARE(label(w, "lblDataHora"), QStringLiteral("CAIXA ATIVO : 04/12/2026 até 05/12/2026"));
        QCOMPARE(w.gridModel()->rowCount(), 6);
    }

    void daysBoxTakesDigitsOnly()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* txtDias = control<QLineEdit>(w, "txtDias");
        txtDias->setFocus();
        txtDias->clear();
        QTest::keyClicks(txtDias, QStringLiteral("a-9,x"));
        QCOMPARE(txtDias->text(), QStringLiteral("9"));
        QTest::keyClicks(txtDias, QStringLiteral("95"));
        QCOMPARE(txtDias->text(), QStringLiteral("99"));
        txtDias->clear();
        QTest::keyClick(txtDias, Qt::Key_0);
        control<QLineEdit>(w, "txtDia")->setFocus();
        QCOMPARE(txtDias->text(), QStringLiteral("1"));
        txtDias->setFocus();
        txtDias->clear();
        control<QLineEdit>(w, "txtDia")->setFocus();
        QCOMPARE(txtDias->text(), QStringLiteral("1"));
    }

    void altAPressesActivate()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* txtDia = control<QLineEdit>(w, "txtDia");
        txtDia->setFocus();
        txtDia->setText(QStringLiteral("01/12/2026"));
        QTest::keyClick(txtDia, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(w.PeriodEnd(), QDate(2026, 12, 1));
        QVERIFY(book.dialogs.openedUrls.isEmpty());
    }

    void restrictedUserSeesTheDayOnly()
    {
        PreparedBook book;
        book.session.CurrentUser.userLevel = QStringLiteral("r");
        frmPrincipal w(book.session);
        const auto* model = w.gridModel();
        QCOMPARE(model->rowCount(), 4);
        // The day's balance starts from everything before the day, yesterday included.
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("870,00"));
        QCOMPARE(model->cellText(0, EntryGridModel::Saldo), QStringLiteral("850,00"));
        QCOMPARE(label(w, "lblSaldoOntem"), QStringLiteral("-"));
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("40,00"));
        QCOMPARE(label(w, "lblTotalEntradas"), QStringLiteral("160,00"));
        QVERIFY(!control<QPushButton>(w, "btnAtivar")->isEnabled());
        QVERIFY(!control<QToolButton>(w, "btnEditar")->isEnabled());
        QVERIFY(!control<QToolButton>(w, "btnExcluir")->isEnabled());
        QVERIFY(!control<QAction>(w, "mnuUsuarios")->isVisible());
        QVERIFY(!control<QAction>(w, "mnuOpcoes")->isVisible());
        QVERIFY(control<QLineEdit>(w, "txtDia")->isReadOnly());
        QVERIFY(control<QLineEdit>(w, "txtDias")->isReadOnly());

        // Alt+A cannot activate another day either.
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(control<QLineEdit>(w, "txtDia"), Qt::Key_A, Qt::AltModifier);
        QTest::qWait(150);
        QCOMPARE(w.PeriodEnd(), QDate(2026, 12, 5));
    }

    void openingBalanceForAReport()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        book.session.ReportAccountId = book.caixa;
        book.session.ReportStartDate = QDate(2026, 12, 5);
        w.Fechar_Inicio();
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("1.100,00"));
        book.session.ReportAccountId = book.banco;
        w.Fechar_Inicio();
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("-230,00"));
        book.session.ReportAccountId = 0;
        book.session.ReportStartDate = Session::noReportStartDate();
        w.Fechar_Inicio();
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("800,00"));
    }

    void olderBookGetsTheDocumentNumberColumn()
    {
        PreparedBook book;
        book.exec(QStringLiteral("alter table caixa drop column ndoc"));
        frmPrincipal w(book.session);
        QCOMPARE(w.gridModel()->rowCount(), 6);
        QCOMPARE(column(w.gridModel(), EntryGridModel::NDoc), QStringList(6, QString()));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from pragma_table_info('caixa') where name = 'ndoc'")).toInt(), 1);
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void refreshTimerAppliesNewColours()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        book.session.Settings.corfundoentrada = QStringLiteral("65280");
        book.session.Settings.corletrasaida = QStringLiteral("0");
        w.requestRefresh();
        QTRY_COMPARE(w.gridModel()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
        QCOMPARE(w.gridModel()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
        QCOMPARE(control<QLabel>(w, "lblEntrada")->palette().color(QPalette::Window), QColor(0, 255, 0));
        QCOMPARE(control<QLabel>(w, "lblSaida")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
        QCOMPARE(control<QLabel>(w, "lblSaida")->palette().color(QPalette::Window), QColor(255, 0, 0));
    }

    void refusedDayBalanceIsReportedOnce()
    {
        PreparedBook book;
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        frmPrincipal w(book.session);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Exclamation);
        QVERIFY(book.dialogs.last().text.contains(QStringLiteral("saldo do dia")));
        // The window still shows the book.
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("40,00"));
        QCOMPARE(label(w, "lblTotalEntradas"), QStringLiteral("160,00"));
        w.Activate();
        QCOMPARE(book.dialogs.shown.size(), 1);
    }

    void bookThatCouldNotBeOpened()
    {
        PreparedBook book;
        book.db.close();
        frmPrincipal w(book.session);
        QCOMPARE(w.gridModel()->rowCount(), 0);
        QCOMPARE(label(w, "lblSaldoHoje"), QStringLiteral("0,00"));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void webSiteCommand()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        control<QAction>(w, "mnuAtualizacoes")->trigger();
        QCOMPARE(book.dialogs.openedUrls.size(), 1);
        QVERIFY(book.dialogs.openedUrls.first().isValid());
        QCOMPARE(book.dialogs.openedUrls.first().scheme(), QStringLiteral("https"));
    }

    void minimumSize()
    {
        PreparedBook book;
        frmPrincipal w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(400, 300);
        QTest::qWait(20);
        QVERIFY(w.width() >= 972);
        QVERIFY(w.height() >= 716);
        // The grid takes what the window gives it; the bottom frames stay whole.
        w.resize(1400, 1000);
        QTRY_VERIFY(control<QTableView>(w, "grade")->height() > 600);
        QCOMPARE(control<QWidget>(w, "fr2")->size(), QSize(463, 84));
    }
};

LIVRO_TEST(tst_MainWindow)
#include "tst_MainWindow.moc"
