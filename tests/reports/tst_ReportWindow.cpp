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
    QStringList descriptions() const
    {
        return w.findChild<ReportPreview*>(QStringLiteral("VRel"))
            ->document()
            ->texts(QStringLiteral("Detail"), QStringLiteral("Field4"));
    }
    void period(const QString& first, const QString& last)
    {
        get<QLineEdit>("txtDe")->setText(first);
        get<QLineEdit>("txtAte")->setText(last);
    }
    void previewClicked() { get<QPushButton>("btnVisualizar")->click(); }
};

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT

private slots:
    void opensOnTodaysReport()
    {
        ReportBook book;
        Window r(book);
        QCOMPARE(r.w.objectName(), QStringLiteral("frmRel"));
        QCOMPARE(r.w.windowTitle(), QStringLiteral("Relatório"));
        auto* accounts = r.get<QComboBox>("cboConta");
        QCOMPARE(accounts->count(), 3);
        QCOMPARE(accounts->itemText(0), QStringLiteral("Todas"));
        QCOMPARE(accounts->itemText(1), QStringLiteral("BANCO D'ÁVILA"));
        QCOMPARE(accounts->currentText(), QStringLiteral("Todas"));
        QCOMPARE(r.get<QLineEdit>("txtDe")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(r.get<QLineEdit>("txtAte")->text(), QStringLiteral("05/12/2026"));
        QVERIFY(!r.get<QCheckBox>("ckFolhaDia")->isChecked());
        QCOMPARE(r.get<QCheckBox>("ckFolhaDia")->text(), QStringLiteral("Uma nova folha por dia"));
        // Today's entries of all accounts, balanced from everything before today.
        QCOMPARE(r.descriptions(), QStringList{QStringLiteral("Venda do dia")});
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("1.055,00"));
        QCOMPARE(r.w.content()->balances.first()->format(), QStringLiteral("1.095,00"));
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.ReportStartDate, QDate(2026, 12, 5));
        QCOMPARE(book.session.ReportPeriodText, QStringLiteral("05/12/2026 Até 05/12/2026"));
        QVERIFY(book.dialogs.shown.isEmpty());

        QCOMPARE(r.get<QPushButton>("btnVisualizar")->toolTip(),
                 QStringLiteral("Visualizar relatório"));
        QCOMPARE(r.get<QPushButton>("btnPDF")->toolTip(),
                 QStringLiteral("Exportar relatório para PDF"));
        QCOMPARE(r.get<QPushButton>("btnXLS")->toolTip(),
                 QStringLiteral("Exportar relatório para XLS"));
        QCOMPARE(r.get<QPushButton>("btnLoc1")->toolTip(), QStringLiteral("Calendário"));
        QCOMPARE(r.get<QLineEdit>("txtDe")->toolTip(), QStringLiteral("Data inicial"));
        QCOMPARE(r.get<QLineEdit>("txtAte")->toolTip(), QStringLiteral("Data final"));
        QVERIFY(r.get<QLabel>("lblAviso")->text().isEmpty());
        QVERIFY(!r.get<QWidget>("Grupo")->isVisible());
        QCOMPARE(r.get<QLabel>("pnlTexto")->text(), QStringLiteral("Relatório Tamiro - Lavrenta."));
        QCOMPARE(r.get<QLabel>("pnlTexto")->toolTip(),
                 QStringLiteral("Relatório Tamiro - Lavrenta"));
        QCOMPARE(r.get<QLabel>("pnlData")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(r.get<QLabel>("pnlHora")->text(), QStringLiteral("14:03"));
    }

    void statusBarFollowsTheClock()
    {
        ReportBook book;
        Window r(book);
        book.clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 1)));
        auto* clock = r.get<QTimer>("tmRelogio");
        QVERIFY(clock->isActive());
        clock->setInterval(1);
        QTRY_COMPARE(r.get<QLabel>("pnlHora")->text(), QStringLiteral("00:01"));
        QCOMPARE(r.get<QLabel>("pnlData")->text(), QStringLiteral("06/12/2026"));
    }

    void noticesClearAfterThreeSeconds_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("focus");
        QTest::newRow("31 February") << "31/02/2026"
                                     << "05/12/2026"
                                     << "Data inicial inválida"
                                     << "txtDe";
        QTest::newRow("blank first") << ""
                                     << "05/12/2026"
                                     << "Data inicial inválida"
                                     << "txtDe";
        QTest::newRow("bad last") << "01/12/2026"
                                  << "00/12/2026"
                                  << "Data final inválida"
                                  << "txtAte";
        QTest::newRow("reversed") << "04/12/2026"
                                  << "01/12/2026"
                                  << "Data inicial maior que data final"
                                  << "txtDe";
    }
    void noticesClearAfterThreeSeconds()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, notice);
        QFETCH(QString, focus);
        ReportBook book;
        Window r(book);
        r.w.show();
        QVERIFY(QTest::qWaitForWindowActive(&r.w));
        const auto shown = r.preview()->document();
        r.period(first, last);
        r.previewClicked();
        auto* label = r.get<QLabel>("lblAviso");
        QCOMPARE(label->text(), notice);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(r.preview()->document(), shown); // the report stays
        QVERIFY(book.dialogs.shown.isEmpty());
        auto* timer = r.get<QTimer>("tmAviso");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 3000);
        timer->setInterval(1);
        QTRY_VERIFY(label->text().isEmpty());
        QVERIFY(!timer->isActive());
    }

    void chosenAccountThenTodas()
    {
        ReportBook book;
        Window r(book);
        r.period(QStringLiteral("01/12/2026"), QStringLiteral("03/12/2026"));
        r.get<QComboBox>("cboConta")->setCurrentText(QStringLiteral("BANCO D'ÁVILA"));
        r.previewClicked();
        QVERIFY(r.get<QLabel>("lblAviso")->text().isEmpty());
        QCOMPARE(book.session.ReportAccountId, book.banco);
        QCOMPARE(r.descriptions(), (QStringList{QStringLiteral("Aluguel"), QStringLiteral("Luz")}));
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("0,00"));
        QCOMPARE(r.w.content()->accountName, QStringLiteral("BANCO D'ÁVILA"));

        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        r.get<QCheckBox>("ckFolhaDia")->setChecked(true);
        r.previewClicked();
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QVERIFY(book.session.NewPagePerDay);
        QCOMPARE(r.descriptions().size(), 5);
        QCOMPARE(book.session.OpeningBalance.format(), QStringLiteral("1.000,00"));
        QCOMPARE(r.preview()->pageCount(), 4);
    }

    void failedPreviewKeepsTheReport()
    {
        ReportBook book;
        Window r(book);
        const auto shown = r.preview()->document();
        // The account went away after the list was filled.
        book.exec(QStringLiteral("delete from contas where id = ?"), {book.banco});
        r.get<QComboBox>("cboConta")->setCurrentIndex(1);
        r.previewClicked();
        QCOMPARE(r.get<QLabel>("lblAviso")->text(),
                 QStringLiteral("Conta não encontrada: BANCO D'ÁVILA"));
        QCOMPARE(r.preview()->document(), shown);
        // The book cannot be read.
        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        book.exec(QStringLiteral("alter table caixa rename to caixa_velha"));
        r.previewClicked();
        QVERIFY(r.get<QLabel>("lblAviso")
                    ->text()
                    .startsWith(QStringLiteral("Erro ao gerar o relatório: ")));
        QCOMPARE(r.preview()->document(), shown);
        QVERIFY(r.get<QTimer>("tmAviso")->isActive());
    }

    void printingProblemsShowAsNotices()
    {
        ReportBook book;
        Window r(book);
        const QString notAFolder = book.dir() + QStringLiteral("/arquivo");
        QVERIFY(QFile(notAFolder).open(QIODevice::WriteOnly));
        whenModal<QPrintDialog>([&](QPrintDialog* dialog) {
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(notAFolder + QStringLiteral("/impresso.pdf"));
            dialog->done(QDialog::Accepted);
        });
        r.preview()->findChild<QAction*>(QStringLiteral("toolPrint"))->trigger();
        QCOMPARE(r.get<QLabel>("lblAviso")->text(),
                 QStringLiteral("A impressora não pôde ser usada."));
        QVERIFY(r.get<QTimer>("tmAviso")->isActive());
    }

    void progressRunsOnceAfterAPreview()
    {
        ReportBook book;
        Window r(book);
        r.w.show();
        auto* timer = r.get<QTimer>("tmProg");
        auto* bar = r.get<QProgressBar>("prog");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 10);
        QTRY_VERIFY(bar->value() > 0 && bar->isVisible());
        QTRY_VERIFY(!timer->isActive());
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->value(), 0);
    }

    void calendarTogglesBetweenTheButtons()
    {
        ReportBook book;
        Window r(book);
        r.w.show();
        QVERIFY(QTest::qWaitForWindowActive(&r.w));
        auto* group = r.get<QWidget>("Grupo");
        auto* loc1 = r.get<QPushButton>("btnLoc1");
        auto* loc2 = r.get<QPushButton>("btnLoc2");
        loc1->click();
        QVERIFY(group->isVisible());
        QCOMPARE(group->x(), loc1->x());
        QCOMPARE(group->y(), loc1->geometry().bottom() - 1);
        loc1->click();
        QVERIFY(!group->isVisible());
        loc1->click();
        loc2->click(); // moves under the second button, still open
        QVERIFY(group->isVisible());
        QCOMPARE(group->x(), loc2->x());
        auto* calendar = r.get<QCalendarWidget>("Mes");
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
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Contas"));
        QCOMPARE(book.dialogs.last().text,
                 QStringLiteral(
                     "Não existem contas cadastradas, cadastre ao menos uma antes de continuar!"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Information);
        auto* preview = control<ReportPreview>(w, "VRel");
        QCOMPARE(preview->pageCount(), 0);
        QCOMPARE(control<QLabel>(w, "lblAviso")->text(), QStringLiteral("Escolha uma conta"));

        // Exports with an empty preview ask nothing and write nothing.
        book.dialogs.fileNames = {book.dir() + QStringLiteral("/a.pdf"),
                                  book.dir() + QStringLiteral("/a.xlsx")};
        control<QPushButton>(w, "btnPDF")->click();
        control<QPushButton>(w, "btnXLS")->click();
        QVERIFY(book.dialogs.fileQuestions.isEmpty());
        QVERIFY(!QFile::exists(book.dir() + QStringLiteral("/a.pdf")));
    }

    void exportsWriteTheChosenFiles()
    {
        ReportBook book;
        Window r(book);
        r.period(QStringLiteral("01/12/2026"), QStringLiteral("03/12/2026"));
        r.previewClicked();
        const QString pdf = book.dir() + QStringLiteral("/caixa.pdf");
        const QString xlsx = book.dir() + QStringLiteral("/caixa.xlsx");
        book.dialogs.fileNames = {pdf, xlsx};
        r.get<QPushButton>("btnPDF")->click();
        r.get<QPushButton>("btnXLS")->click();
        QCOMPARE(book.dialogs.fileQuestions.size(), 2);
        QCOMPARE(book.dialogs.fileQuestions.at(0).mid(1),
                 (QStringList{QStringLiteral("pdf"), QStringLiteral("*.pdf")}));
        QCOMPARE(book.dialogs.fileQuestions.at(1).mid(1),
                 (QStringList{QStringLiteral("xlsx"), QStringLiteral("*.xlsx")}));
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        QVERIFY(fileBytes(xlsx).startsWith("PK"));
        QVERIFY(runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
                    .contains(QStringLiteral("Conta apagada")));
        QVERIFY(book.dialogs.shown.isEmpty());

        // A cancelled dialog does nothing.
        r.get<QPushButton>("btnPDF")->click();
        QVERIFY(book.dialogs.shown.isEmpty());

        // A failing export says so.
        book.dialogs.fileNames = {book.dir() + QStringLiteral("/caixa.pdf/dentro.xlsx")};
        r.get<QPushButton>("btnXLS")->click();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(book.dialogs.last().text.startsWith(
            QStringLiteral("Não foi possível exportar o relatório")));
    }

    void restrictedUserGetsTodayOnly()
    {
        ReportBook book;
        book.session.CurrentUser.userLevel = QStringLiteral("r");
        Window r(book);
        for (const char* name : {"btnVisualizar", "txtDe", "txtAte", "btnLoc1", "btnLoc2"})
            QVERIFY2(!r.get<QWidget>(name)->isEnabled(), name);
        QVERIFY(r.get<QWidget>("btnPDF")->isEnabled());
        QVERIFY(r.get<QWidget>("btnXLS")->isEnabled());
        QCOMPARE(r.descriptions(), QStringList{QStringLiteral("Venda do dia")});
    }

    // Through the main window's button, and back: the balances are the main window's own again.
    void closingHandsTheBalancesBack()
    {
        ReportBook book;
        frmPrincipal main(book.session);
        const Money ownOpening = book.session.OpeningBalance;
        bool shown = false;
        whenModal<frmRel>([&](frmRel* w) {
            shown = true;
            control<QLineEdit>(*w, "txtDe")->setText(QStringLiteral("01/12/2026"));
            control<QComboBox>(*w, "cboConta")->setCurrentIndex(1);
            control<QPushButton>(*w, "btnVisualizar")->click();
            QCOMPARE(book.session.ReportAccountId, book.banco);
            QCOMPARE(book.session.ReportStartDate, kFirst);
            w->close();
        });
        control<QPushButton>(main, "btnRelatorios")->click();
        QVERIFY(shown);
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.ReportStartDate, QDate(1900, 1, 1));
        main.Fechar_Inicio();
        QCOMPARE(book.session.OpeningBalance, ownOpening);
        QCOMPARE(ownOpening.format(), QStringLiteral("1.055,00")); // before 04/12, all accounts
    }

    void windowKeepsItsMinimumAndGrowsThePreview()
    {
        ReportBook book;
        Window r(book);
        r.w.show();
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
