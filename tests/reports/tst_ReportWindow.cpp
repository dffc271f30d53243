#include "ReportWindow.h"
#include "TestMain.h"
#include "cashbook/frmPrincipal.h"
#include "entries/frmCadConta.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// The report of 01/12 to 03/12 with a page per day, in view.
struct ThreeDays : ReportBook
{
    ThreeDays() { r.previewOf("01/12/2026", "03/12/2026", true); }
    ReportWindow r{*this};
    QString pdf = dir() + u"/caixa.pdf"_s;
    QString xlsx = dir() + u"/caixa.xlsx"_s;
};

QRect onScreen(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT

private slots:
    // Today's report of all accounts, balanced from everything before today,
    // without a word. A restricted user gets that report and its exports,
    // nothing else.
    void opensOnTodaysReport()
    {
        ReportBook book;
        for (const bool restricted : {false, true}) {
            if (restricted)
                book.session.CurrentUser.userLevel = u"r"_s;
            ReportWindow r(book);
            QCOMPARE((QStringList{r.get<QComboBox>("cboConta")->currentText(), r.text("txtDe"),
                                  r.text("txtAte")}),
                     items("Todas|05/12/2026|05/12/2026"));
            QCOMPARE(r.descriptions(), items("Venda do dia"));
            QVERIFY(book.dialogs.shown.isEmpty() && r.notice().isEmpty());
            for (const char* name : {"btnVisualizar", "txtDe", "txtAte", "btnLoc1", "btnLoc2"})
                QVERIFY2(r.get<QWidget>(name)->isEnabled() == !restricted, name);
            for (const char* name : {"btnPDF", "btnXLS"})
                QVERIFY2(r.get<QWidget>(name)->isEnabled(), name);
        }
    }

    // One account (its name holds an apostrophe), then "Todas" again with a
    // page per day: the report, the line under the title and the shared
    // values follow each choice. Enter in a date box previews.
    void chosenAccountThenTodas()
    {
        ReportBook book;
        ReportWindow r(book);
        r.showActive();
        const auto cover = [&r] {
            return r.preview()->document()->texts(u"ReportHeader"_s, u"lblCobertura"_s);
        };
        r.get<QComboBox>("cboConta")->setCurrentText(u"BANCO D'ÁVILA"_s);
        r.previewOf("01/12/2026", "03/12/2026");
        QCOMPARE(r.descriptions(), items("Aluguel|Luz"));
        QCOMPARE(cover(), items("Período: 01/12/2026 Até 03/12/2026     Conta: BANCO D'ÁVILA"));
        QCOMPARE(book.session.ReportAccountId, book.banco);
        QCOMPARE(book.session.OpeningBalance.format(), u"0,00"_s);

        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        r.get<QCheckBox>("ckFolhaDia")->setChecked(true);
        auto* last = r.get<QLineEdit>("txtAte");
        last->setText(u"02/12/2026"_s);
        last->setFocus();
        QTest::keyClick(last, Qt::Key_Return);
        r.settle();
        QCOMPARE(r.descriptions().size(), 4);
        QCOMPARE(cover(), items("Período: 01/12/2026 Até 02/12/2026     Conta: Todas"));
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.OpeningBalance.format(), u"1.000,00"_s);
    }

    // The PDF export asks for a PDF file in the documents folder, named for
    // the period, and writes there the preview's pages on A4 landscape sheets
    // under the report's title, its fonts embedded; the notice says where.
    // The workbook is then suggested in the folder last used.
    void thePdfHoldsThePreviewsPages()
    {
        ThreeDays book;
        const QString folder = book.dir() + u"/exportados"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString pdf = folder + u"/caixa de dezembro.pdf"_s;
        book.dialogs.fileNames = {pdf};
        book.r.click("btnPDF");
        QCOMPARE(book.dialogs.fileQuestions.value(0).mid(1, 2), items("pdf|*.pdf"));
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(book.dialogs.fileSuggestions.value(0),
                 QDir(documents.isEmpty() ? QDir::homePath() : documents)
                     .filePath(u"livro-caixa_2026-12-01_a_2026-12-03.pdf"_s));
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.r.get<QLabel>("lblAviso")->toolTip(),
                 u"Gravado em "_s + QDir::toNativeSeparators(pdf));
        QVERIFY(book.r.notice().startsWith(u"Gravado em "_s));
        QCOMPARE(pdfPages(pdf), 4);
        const QString info = runTool(u"pdfinfo"_s, {pdf});
        QVERIFY(info.contains(QRegularExpression(u"Title:\\s+Livro de caixa\n"_s)));
        QVERIFY(info.contains(QRegularExpression(u"Page size:\\s+84[12].* x 595.*A4"_s)));
        const std::pair<int, const char*> pages[] = {
            {1, "LIVRO DE CAIXA|01/12/2026|Número Documento|BANCO D'ÁVILA|1.070,00|"
                "Movimento do dia 01/12/2026."},
            {2, "Movimento do dia 02/12/2026.|NF 7"},
            // The legend, the chart's title and a day under the chart.
            {4, "Entradas - 105,00|Saídas - 50,00|01/12/2026 Até 03/12/2026|02/12/26"}};
        for (const auto& [page, wanted] : pages) {
            const QString text = pdfText(pdf, page);
            for (const QString& piece : items(wanted))
                QVERIFY2(text.contains(piece), qPrintable(QString::number(page) + u' ' + piece));
        }
        const QStringList fonts =
            runTool(u"pdffonts"_s, {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts)
            VERIFY_CONTAINS(font, u" yes yes yes "_s); // embedded, subset, mapped

        const QStringList written = filesIn(folder);
        book.r.click("btnXLS"); // cancelled: nothing written, nothing said
        QCOMPARE(book.dialogs.fileSuggestions.value(1),
                 folder + u"/livro-caixa_2026-12-01_a_2026-12-03.xlsx"_s);
        QCOMPARE(filesIn(folder), written);
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // The spreadsheet export asks for a workbook (suffix and filter); it holds
    // real dates, times and numbers with their formats (blank amounts stay
    // blank) and gets the permissions of any file the user saves. A failed
    // export tells the user.
    void theSpreadsheetHoldsDatesAndNumbers()
    {
        ThreeDays book;
        book.dialogs.fileNames = {book.xlsx};
        book.r.click("btnXLS");
        QCOMPARE(book.dialogs.fileQuestions.value(0).mid(1, 2), items("xlsx|*.xlsx"));
        QFile probe(book.dir() + u"/novo"_s);
        QVERIFY(probe.open(QIODevice::WriteOnly));
        QCOMPARE(QFile::permissions(book.xlsx), probe.permissions());
        QCOMPARE(sheetRows(book.xlsx), items(R"(LIVRO DE CAIXA
Período: 01/12/2026 Até 03/12/2026
Conta: Todas

Saldo anterior|||||||[1000.00]

[01/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[01/12/2026]|[08:00]|BANCO D'ÁVILA||Aluguel|[0.00]|[30.00]|[970.00]
[01/12/2026]|[09:00]|CAIXA||Venda|[100.00]|[0.00]|[1070.00]
Movimento do dia 01/12/2026.|||||||[70.00]

[02/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[02/12/2026]|[10:00]|CAIXA||Sem valor|||[1070.00]
[02/12/2026]|[11:00]|BANCO D'ÁVILA|NF 7|Luz||[20.00]|[1050.00]
Movimento do dia 02/12/2026.|||||||[-20.00]

[03/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[03/12/2026]|[12:00]|||Conta apagada|[5.00]||[1055.00]
Movimento do dia 03/12/2026.|||||||[5.00]

Totais do período|||||[105.00]|[50.00]|[1055.00])",
                                             '\n'));

        book.dialogs.fileNames = {book.xlsx + u"/dentro.xlsx"_s};
        book.r.click("btnXLS");
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY2(book.dialogs.last().text.startsWith(u"Não foi possível exportar o relatório"_s),
                 qPrintable(book.dialogs.last().text));
    }

    // A bad period shows its notice and focuses the date to fix; a failed
    // print, or a preview that fails past validation, shows its reason. None
    // shows a message box or drops the report in view; the notice goes after
    // 3 seconds.
    void badPeriodsAndFailuresAreNotices()
    {
        ThreeDays book;
        ReportWindow& r = book.r;
        r.showActive();
        const auto shown = r.preview()->document();
        const auto preview = [&r](const QString& first, const QString& last) {
            r.get<QLineEdit>("txtDe")->setText(first);
            r.get<QLineEdit>("txtAte")->setText(last);
            r.click("btnVisualizar");
            const QWidget* focus = QApplication::focusWidget();
            return r.notice() + u" | "_s + (focus ? focus->objectName() : QString());
        };
        QCOMPARE(preview(u"31/02/2026"_s, u"xx"_s), u"Data inicial inválida | txtDe"_s);
        QCOMPARE(preview(u"01/12/2026"_s, u"01/13/2026"_s), u"Data final inválida | txtAte"_s);
        QCOMPARE(preview(u"04/12/2026"_s, u"01/12/2026"_s),
                 u"Data inicial maior que data final | txtDe"_s);
        QVERIFY(QFile(book.pdf).open(QIODevice::WriteOnly));
        r.printTo(book.pdf + u"/impresso.pdf"_s);
        QCOMPARE(r.notice(), u"A impressora não pôde ser usada."_s);
        book.exec(u"delete from contas where id = ?"_s, {book.banco});
        r.get<QComboBox>("cboConta")->setCurrentIndex(1);
        preview(u"01/12/2026"_s, u"03/12/2026"_s);
        QCOMPARE(r.notice(), u"Conta não encontrada: BANCO D'ÁVILA"_s);
        book.exec(u"alter table caixa rename to caixa_velha"_s);
        r.get<QComboBox>("cboConta")->setCurrentIndex(0);
        preview(u"01/12/2026"_s, u"03/12/2026"_s);
        QVERIFY2(r.notice().startsWith(u"Erro ao gerar o relatório: "_s), qPrintable(r.notice()));
        QCOMPARE(r.preview()->document(), shown);
        QVERIFY(book.dialogs.shown.isEmpty());
        auto* timer = r.get<QTimer>("tmAviso");
        QVERIFY(timer->isActive() && timer->interval() == 3000);
        timer->setInterval(1);
        QTRY_VERIFY(r.notice().isEmpty());
    }

    // Without accounts: the "Contas" message, the account register, an empty
    // preview; exports then ask nothing.
    void noAccountsShowsTheRegisterAndAnEmptyPreview()
    {
        TestBook book;
        book.addEntry(u"2026-12-05"_s, u"10:00:00"_s, std::nullopt, u"x"_s, u"1,00"_s,
                      std::nullopt);
        bool registerShown = false;
        whenModal<frmCadConta>([&](frmCadConta* accounts) {
            registerShown = true;
            accounts->reject();
        });
        frmRel w(book.session);
        QVERIFY(registerShown);
        QCOMPARE(book.dialogs.messages(),
                 items("Contas: Não existem contas cadastradas, cadastre ao menos uma antes de "
                       "continuar!"));
        QCOMPARE(control<ReportPreview>(w, "VRel")->pageCount(), 0);
        QCOMPARE(control<QLabel>(w, "lblAviso")->text(), u"Escolha uma conta"_s);
        book.dialogs.fileNames = {book.dir() + u"/a.pdf"_s, book.dir() + u"/a.xlsx"_s};
        control<QPushButton>(w, "btnPDF")->click();
        control<QPushButton>(w, "btnXLS")->click();
        QVERIFY(book.dialogs.fileQuestions.isEmpty());
    }

    // Opened from the main window and closed: the shared values are reset,
    // so the main window's balances are its own again.
    void closingHandsTheBalancesBack()
    {
        ReportBook book;
        frmPrincipal main(book.session);
        const Money ownOpening = book.session.OpeningBalance;
        qint64 accountWhileOpen = -1;
        QDate startWhileOpen;
        whenModal<frmRel>([&](frmRel* w) {
            control<QLineEdit>(*w, "txtDe")->setText(u"01/12/2026"_s);
            control<QComboBox>(*w, "cboConta")->setCurrentIndex(1);
            control<QPushButton>(*w, "btnVisualizar")->click();
            accountWhileOpen = book.session.ReportAccountId;
            startWhileOpen = book.session.ReportStartDate;
            w->close();
        });
        control<QPushButton>(main, "btnRelatorios")->click();
        QCOMPARE(accountWhileOpen, book.banco);
        QCOMPARE(startWhileOpen, kFirst);
        QCOMPARE(book.session.ReportAccountId, qint64(0));
        QCOMPARE(book.session.ReportStartDate, QDate(1900, 1, 1));
        main.Fechar_Inicio();
        QCOMPARE(ownOpening.format(), u"1.055,00"_s); // before 05/12, all accounts
        QCOMPARE(book.session.OpeningBalance, ownOpening);
    }

    // Each calendar button opens the calendar under itself, on its box's
    // day, or closes it when already open under it; a picked day fills that
    // button's date box. Alt+C is the preview's "&Copiar", not the
    // calendar's "&Cancelar". The status bar's date and time follow the
    // clock. The window opens where it was last closed, at its size.
    void theWindowsFrame()
    {
        ReportBook book;
        QRect closedAt;
        {
            ReportWindow r(book);
            r.showActive();
            auto* group = r.get<QWidget>("Grupo");
            auto* loc1 = r.get<QPushButton>("btnLoc1");
            auto* loc2 = r.get<QPushButton>("btnLoc2");
            auto* calendar = r.get<QCalendarWidget>("Mes");
            loc1->click();
            loc1->click();
            QVERIFY(!group->isVisible());
            loc1->click();
            loc2->click(); // moves under the second button, still open
            QVERIFY(group->isVisible());
            QCOMPARE(group->x(), loc2->x());
            calendar->setSelectedDate(QDate(2026, 11, 20));
            emit calendar->clicked(QDate(2026, 11, 20));
            QCOMPARE(r.text("txtDe") + u' ' + r.text("txtAte"), u"05/12/2026 20/11/2026"_s);
            QVERIFY(!group->isVisible() && r.get<QLineEdit>("txtAte")->hasFocus());
            loc1->click();
            QCOMPARE(calendar->selectedDate(), QDate(2026, 12, 5)); // opens on the box's day
            r.click("btnCancelar");
            QVERIFY(!group->isVisible());
            QVERIFY(r.get<QPushButton>("btnCancelar")->shortcut().isEmpty());
            QCOMPARE(r.get<QLabel>("pnlData")->text() + u' ' + r.get<QLabel>("pnlHora")->text(),
                     u"05/12/2026 14:03"_s);
            book.clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 1)));
            r.get<QTimer>("tmRelogio")->setInterval(1);
            QTRY_COMPARE(r.get<QLabel>("pnlHora")->text(), u"00:01"_s);
            QCOMPARE(r.get<QLabel>("pnlData")->text(), u"06/12/2026"_s);
            r.w.setGeometry(QRect(40, 30, 950, 620));
            closedAt = r.w.geometry();
            r.w.close();
        }
        frmRel again(book.session);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry(), closedAt);
    }

    // The preview steps through pages within their ends; the page number
    // sits outside the pages; an Alt letter shared by two tools belongs to
    // the first. Find steps through the matches across pages (Enter,
    // Shift+Enter); a new text searches from the page in view and wraps.
    void thePreviewStepsThroughPages()
    {
        ThreeDays book;
        ReportWindow& r = book.r;
        r.showActive();
        ReportPreview& preview = *r.preview();
        auto* page = r.get<QLabel>("lblPagina");
        QCOMPARE(page->text(), u"Página 1 de 4"_s);
        const QWidget* pages = control<QScrollArea>(preview, "pageArea")->viewport();
        QVERIFY(!onScreen(pages).intersects(onScreen(page)));
        for (int i = 0; i < 3; ++i)
            r.tool("toolNextPage")->trigger();
        QCOMPARE(page->text(), u"Página 4 de 4"_s);
        QVERIFY(!r.tool("toolNextPage")->isEnabled());
        r.tool("toolPreviousPage")->trigger();
        QCOMPARE(preview.currentPage(), 2);
        const auto shortcut = [&](const char* name) {
            auto* tools = preview.findChild<QToolBar*>();
            return qobject_cast<QToolButton*>(tools->widgetForAction(r.tool(name)))->shortcut();
        };
        QCOMPARE(shortcut("toolZoomOut"), QKeySequence(Qt::ALT | Qt::Key_Z));
        QVERIFY(shortcut("toolZoomIn").isEmpty());
        QCOMPARE(shortcut("toolCopy"), QKeySequence(Qt::ALT | Qt::Key_C));

        r.tool("toolFind")->trigger();
        auto* text = r.get<QLineEdit>("txtLocalizar");
        auto* status = r.get<QLabel>("lblLocalizar");
        QVERIFY(text->isVisible());
        text->setText(u"movimento do dia"_s);
        preview.setCurrentPage(0);
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(preview.currentPage(), 1); // the second day's page
        QCOMPARE(status->text(), u"2 de 3"_s);
        QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(preview.currentPage(), 0);
        preview.setCurrentPage(1);
        preview.find(u"CAIXA"_s);
        QCOMPARE(preview.matches().at(preview.currentMatch()).page, 1);
        preview.setCurrentPage(2);
        preview.find(u"Aluguel"_s);
        QCOMPARE(preview.currentPage(), 0);
        preview.find(u"não existe"_s);
        QCOMPARE(status->text(), u"Texto não encontrado."_s);
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!text->isVisible() && r.w.isVisible());
    }

    // Copy puts the page in view on the clipboard as an A4 landscape picture
    // at 150 dots per inch, white around the grey day heading. Print asks the
    // print dialog, offering every page, and prints the range chosen there.
    void copyAndPrint()
    {
        ThreeDays book;
        QApplication::clipboard()->clear();
        book.r.preview()->setCurrentPage(1);
        book.r.tool("toolCopy")->trigger();
        const QImage copied = QApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(1754, 1240));
        QCOMPARE(copied.pixelColor(2, 2), QColor(Qt::white));
        QCOMPARE(copied.pixelColor(62, (250 + 200) * 150 / 1440), QColor(128, 128, 128));

        const QString pdf = book.dir() + u"/impresso.pdf"_s;
        book.r.printTo(pdf, 2, 3);
        QCOMPARE(book.r.firstPage, 1);
        QCOMPARE(book.r.lastPage, 4);
        QCOMPARE(pdfPages(pdf), 2);
        const QString printed = pdfText(pdf);
        QVERIFY(printed.contains(u"Movimento do dia 02/12/2026."_s));
        QVERIFY(printed.contains(u"Movimento do dia 03/12/2026."_s));
        QVERIFY(!printed.contains(u"LIVRO DE CAIXA"_s));
    }
};

LIVRO_TEST(tst_ReportWindow)
#include "tst_ReportWindow.moc"
