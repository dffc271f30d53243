#include "ModalDriver.h"
#include "ReportBook.h"
#include "TestMain.h"
#include "cashbook/frmPrincipal.h"
#include "entries/frmCadConta.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPreview.h"
#include "reports/frmRel.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The report window over a book, with the real main window's opening-balance routine.
struct Window
{
    explicit Window(ReportBook& book)
        : main(book.session), w(book.session, [this] { main.Fechar_Inicio(); })
    {
    }
    frmPrincipal main;
    frmRel w;

    template <typename T> T* get(const char* name) { return control<T>(w, name); }
    ReportPreview* preview() { return get<ReportPreview>("VRel"); }
    QString notice() { return get<QLabel>("lblAviso")->text(); }
    QStringList descriptions()
    {
        return preview()->document()->texts(QStringLiteral("Detail"), QStringLiteral("Field4"));
    }
    void previewOf(const QString& first, const QString& last)
    {
        get<QLineEdit>("txtDe")->setText(first);
        get<QLineEdit>("txtAte")->setText(last);
        get<QPushButton>("btnVisualizar")->click();
    }
    void showActive()
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
};

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT

private slots:
    // Opens on today's report of all accounts, balanced from everything
    // before today, without a word; the status bar's date and time follow the clock.
    void opensOnTodaysReport()
    {
        ReportBook book;
        Window r(book);
        auto* accounts = r.get<QComboBox>("cboConta");
        QCOMPARE(accounts->count(), 3);
        QCOMPARE(accounts->currentText(), QStringLiteral("Todas"));
        QCOMPARE(accounts->itemText(1), QStringLiteral("BANCO D'ÁVILA")); // by name
        QCOMPARE(r.get<QLineEdit>("txtDe")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(r.get<QLineEdit>("txtAte")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(r.descriptions(), items("Venda do dia"));
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("1.055,00"));
        QCOMPARE(r.w.content()->balances.first()->format(), QStringLiteral("1.095,00"));
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.ReportStartDate, QDate(2026, 12, 5));
        QCOMPARE(book.session.ReportPeriodText, QStringLiteral("05/12/2026 Até 05/12/2026"));
        QVERIFY(book.dialogs.shown.isEmpty());
        QVERIFY(r.notice().isEmpty());
        QCOMPARE(r.get<QLabel>("pnlData")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(r.get<QLabel>("pnlHora")->text(), QStringLiteral("14:03"));

        book.clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 1)));
        auto* clock = r.get<QTimer>("tmRelogio");
        QVERIFY(clock->isActive());
        clock->setInterval(1);
        QTRY_COMPARE(r.get<QLabel>("pnlHora")->text(), QStringLiteral("00:01"));
        QCOMPARE(r.get<QLabel>("pnlData")->text(), QStringLiteral("06/12/2026"));
    }

    void noticesClearAfterThreeSeconds_data()
    {
        QTest::addColumn<QString>("period"); // the first and the last day typed
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("focus");
        const QString badFirst = QStringLiteral("Data inicial inválida");
        const QString badLast = QStringLiteral("Data final inválida");
        const QString reversed = QStringLiteral("Data inicial maior que data final");
        const QString txtDe = QStringLiteral("txtDe");
        QTest::newRow("31 February") << "31/02/2026 05/12/2026" << badFirst << txtDe;
        QTest::newRow("blank first") << " 05/12/2026" << badFirst << txtDe;
        QTest::newRow("both bad") << "32/01/2026 xx" << badFirst << txtDe;
        QTest::newRow("bad last") << "01/12/2026 01/13/2026" << badLast << QStringLiteral("txtAte");
        QTest::newRow("reversed") << "04/12/2026 01/12/2026" << reversed << txtDe;
    }
    // A bad period shows its notice, focuses the date to fix and keeps the
    // report; the notice goes after 3 seconds.
    void noticesClearAfterThreeSeconds()
    {
        QFETCH(QString, period);
        QFETCH(QString, notice);
        QFETCH(QString, focus);
        ReportBook book;
        Window r(book);
        r.showActive();
        const auto shown = r.preview()->document();
        r.previewOf(period.section(u' ', 0, 0), period.section(u' ', 1, 1));
        QCOMPARE(r.notice(), notice);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(r.preview()->document(), shown);
        QVERIFY(book.dialogs.shown.isEmpty());
        auto* timer = r.get<QTimer>("tmAviso");
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(timer->isActive());
        timer->setInterval(1);
        QTRY_VERIFY(r.notice().isEmpty());
        QVERIFY(!timer->isActive());
    }

    // One account (its name holds an apostrophe), then "Todas" again with a
    // page per day: the report and the shared values follow each choice.
    void chosenAccountThenTodas()
    {
        ReportBook book;
        Window r(book);
        r.get<QComboBox>("cboConta")->setCurrentText(QStringLiteral("BANCO D'ÁVILA"));
        r.previewOf(QStringLiteral("01/12/2026"), QStringLiteral("03/12/2026"));
        QVERIFY(r.notice().isEmpty());
        QCOMPARE(r.descriptions(), items("Aluguel|Luz"));
        QCOMPARE(book.session.ReportAccountId, book.banco);
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("0,00"));
        QCOMPARE(r.w.content()->accountName, QStringLiteral("BANCO D'ÁVILA"));

        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        r.get<QCheckBox>("ckFolhaDia")->setChecked(true);
        r.get<QPushButton>("btnVisualizar")->click();
        QCOMPARE(r.descriptions().size(), 5);
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("1.000,00"));
        QVERIFY(book.session.NewPagePerDay);
        QCOMPARE(r.preview()->pageCount(), 4);
    }

    // A print, or a preview past validation, that fails shows its reason as
    // a notice and keeps the report in view.
    void failuresShowTheirReasonAndKeepTheReport()
    {
        ReportBook book;
        Window r(book);
        const auto shown = r.preview()->document();
        const QString notAFolder = book.dir() + QStringLiteral("/arquivo");
        QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
        whenModal<QPrintDialog>([&](QPrintDialog* dialog) {
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(notAFolder + QStringLiteral("/impresso.pdf"));
            dialog->done(QDialog::Accepted);
        });
        control<QAction>(*r.preview(), "toolPrint")->trigger();
        QCOMPARE(r.notice(), QStringLiteral("A impressora não pôde ser usada."));

        // The account went away after the list was filled.
        book.exec(QStringLiteral("delete from contas where id = ?"), {book.banco});
        r.get<QComboBox>("cboConta")->setCurrentIndex(1);
        r.get<QPushButton>("btnVisualizar")->click();
        QCOMPARE(r.notice(), QStringLiteral("Conta não encontrada: BANCO D'ÁVILA"));
        QCOMPARE(r.preview()->document(), shown);
        // The book cannot be read.
        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        book.exec(QStringLiteral("alter table caixa rename to caixa_velha"));
        r.get<QPushButton>("btnVisualizar")->click();
        QVERIFY(r.notice().startsWith(QStringLiteral("Erro ao gerar o relatório: ")));
        QCOMPARE(r.preview()->document(), shown);
        QVERIFY(r.get<QTimer>("tmAviso")->isActive());
    }

    // Each calendar button opens the calendar under itself or closes it when
    // already open under it; a picked day fills that button's date box.
    void calendarTogglesBetweenTheButtons()
    {
        ReportBook book;
        Window r(book);
        r.showActive();
        auto* group = r.get<QWidget>("Grupo");
        auto* loc1 = r.get<QPushButton>("btnLoc1");
        auto* loc2 = r.get<QPushButton>("btnLoc2");
        auto* calendar = r.get<QCalendarWidget>("Mes");
        loc1->click();
        QVERIFY(group->isVisible());
        QCOMPARE(group->x(), loc1->x());
        loc1->click();
        QVERIFY(!group->isVisible());
        loc1->click();
        loc2->click(); // moves under the second button, still open
        QVERIFY(group->isVisible());
        QCOMPARE(group->x(), loc2->x());
        calendar->setSelectedDate(QDate(2026, 11, 20));
        emit calendar->clicked(QDate(2026, 11, 20));
        QCOMPARE(r.get<QLineEdit>("txtAte")->text(), QStringLiteral("20/11/2026"));
        QCOMPARE(r.get<QLineEdit>("txtDe")->text(), QStringLiteral("05/12/2026"));
        QVERIFY(!group->isVisible());
        QVERIFY(r.get<QLineEdit>("txtAte")->hasFocus());

        loc1->click();
        QCOMPARE(calendar->selectedDate(), QDate(2026, 12, 5)); // opens on the box's day
        r.get<QPushButton>("btnCancelar")->click();
        QVERIFY(!group->isVisible());
        QCOMPARE(r.get<QLineEdit>("txtDe")->text(), QStringLiteral("05/12/2026"));
        // Alt+C is the preview's "&Copiar", not the calendar's "&Cancelar".
        QVERIFY(r.get<QPushButton>("btnCancelar")->shortcut().isEmpty());
    }

    // Without accounts: the "Contas" message, the account register, an empty
    // preview; exports then ask nothing and write nothing.
    void noAccountsShowsTheRegisterAndAnEmptyPreview()
    {
        TestBook book;
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("10:00:00"), std::nullopt,
                      QStringLiteral("x"), QStringLiteral("1,00"), std::nullopt);
        bool registerShown = false;
        whenModal<frmCadConta>([&](frmCadConta* accounts) {
            registerShown = true;
            accounts->reject();
        });
        frmPrincipal main(book.session);
        frmRel w(book.session, [&] { main.Fechar_Inicio(); });
        QVERIFY(registerShown);
        QCOMPARE(book.dialogs.texts(),
                 QStringList{QStringLiteral("Não existem contas cadastradas, cadastre ao menos "
                                            "uma antes de continuar!")});
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Contas"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Information);
        QCOMPARE(control<ReportPreview>(w, "VRel")->pageCount(), 0);
        QCOMPARE(control<QLabel>(w, "lblAviso")->text(), QStringLiteral("Escolha uma conta"));

        book.dialogs.fileNames = {book.dir() + QStringLiteral("/a.pdf"),
                                  book.dir() + QStringLiteral("/a.xlsx")};
        control<QPushButton>(w, "btnPDF")->click();
        control<QPushButton>(w, "btnXLS")->click();
        QVERIFY(book.dialogs.fileQuestions.isEmpty());
        QVERIFY(!QFile::exists(book.dir() + QStringLiteral("/a.pdf")) &&
                !QFile::exists(book.dir() + QStringLiteral("/a.xlsx")));
    }

    // Each export asks for its kind of file and writes the report there; a
    // cancelled dialog does nothing; a failed export tells the user.
    void exportsWriteTheChosenFiles()
    {
        ReportBook book;
        Window r(book);
        r.previewOf(QStringLiteral("01/12/2026"), QStringLiteral("03/12/2026"));
        const QString pdf = book.dir() + QStringLiteral("/caixa.pdf");
        const QString xlsx = book.dir() + QStringLiteral("/caixa.xlsx");
        book.dialogs.fileNames = {pdf, xlsx};
        r.get<QPushButton>("btnPDF")->click();
        r.get<QPushButton>("btnXLS")->click();
        QCOMPARE(book.dialogs.fileQuestions.size(), 2);
        QCOMPARE(book.dialogs.fileQuestions.at(0).mid(1), items("pdf|*.pdf"));
        QCOMPARE(book.dialogs.fileQuestions.at(1).mid(1), items("xlsx|*.xlsx"));
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Conta apagada")));
        QVERIFY(fileBytes(xlsx).startsWith("PK"));
        r.get<QPushButton>("btnPDF")->click(); // cancelled
        QVERIFY(book.dialogs.shown.isEmpty());

        book.dialogs.fileNames = {pdf + QStringLiteral("/dentro.xlsx")};
        r.get<QPushButton>("btnXLS")->click();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(book.dialogs.last().text.startsWith(
            QStringLiteral("Não foi possível exportar o relatório")));
    }

    // A restricted user gets today's report and its exports, nothing else.
    void restrictedUserGetsTodayOnly()
    {
        ReportBook book;
        book.session.CurrentUser.userLevel = QStringLiteral("r");
        Window r(book);
        for (const char* name : {"btnVisualizar", "txtDe", "txtAte", "btnLoc1", "btnLoc2"})
            QVERIFY2(!r.get<QWidget>(name)->isEnabled(), name);
        QVERIFY(r.get<QWidget>("btnPDF")->isEnabled() && r.get<QWidget>("btnXLS")->isEnabled());
        QCOMPARE(r.descriptions(), items("Venda do dia"));
    }

    // Opened from the main window and closed: the shared values are reset,
    // so the main window's balances are its own again.
    void closingHandsTheBalancesBack()
    {
        ReportBook book;
        frmPrincipal main(book.session);
        const Money ownOpening = book.session.OpeningBalance;
        bool shown = false;
        whenModal<frmRel>([&](frmRel* w) {
            control<QLineEdit>(*w, "txtDe")->setText(QStringLiteral("01/12/2026"));
            control<QComboBox>(*w, "cboConta")->setCurrentIndex(1);
            control<QPushButton>(*w, "btnVisualizar")->click();
            shown = book.session.ReportAccountId == book.banco &&
                    book.session.ReportStartDate == kFirst;
            w->close();
        });
        control<QPushButton>(main, "btnRelatorios")->click();
        QVERIFY(shown);
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.ReportStartDate, QDate(1900, 1, 1));
        main.Fechar_Inicio();
        QCOMPARE(ownOpening.format(), QStringLiteral("1.055,00")); // before 04/12, all accounts
        QCOMPARE(book.session.OpeningBalance, ownOpening);
    }

    // The progress bar runs once after a preview, then hides and resets; the
    // window never shrinks below its first size, and the preview takes what it grows by.
    void progressAndResizing()
    {
        ReportBook book;
        Window r(book);
        r.w.show();
        auto* bar = r.get<QProgressBar>("prog");
        QTRY_VERIFY(bar->value() > 0 && bar->isVisible());
        QTRY_VERIFY(!r.get<QTimer>("tmProg")->isActive());
        QVERIFY(!bar->isVisible() && bar->value() == 0);
        const QSize start = r.w.size();
        r.w.resize(300, 200);
        QCOMPARE(r.w.size(), start);
        r.w.resize(start + QSize(200, 100));
        QTRY_COMPARE(r.preview()->width(), r.w.width() - 10);
        QCOMPARE(r.get<QWidget>("StatusBar1")->geometry().bottom(), r.w.height() - 1);
    }
};

LIVRO_TEST(tst_ReportWindow)
#include "tst_ReportWindow.moc"
