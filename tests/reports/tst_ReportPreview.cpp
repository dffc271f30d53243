#include "ModalDriver.h"
#include "ReportBook.h"
#include "TestMain.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPreview.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

QAction* tool(ReportPreview& preview, const char* name)
{
    auto* action = preview.findChild<QAction*>(QString::fromLatin1(name));
    if (!action)
        qFatal("no tool %s", name);
    return action;
}

QToolButton* button(ReportPreview& preview, const char* name)
{
    return qobject_cast<QToolButton*>(
        preview.findChild<QToolBar*>()->widgetForAction(tool(preview, name)));
}

// A report of three days, a page each, and the chart's page.
struct ShownReport
{
    ShownReport()
    {
        preview.resize(900, 500);
        preview.setDocument(book.report(kFirst, kThird, 0, true).document);
        preview.show();
    }
    ReportBook book;
    ReportPreview preview;
};

} // namespace

class tst_ReportPreview : public QObject
{
    Q_OBJECT

private slots:
    void toolsHaveTheirCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("print") << "toolPrint"
                               << "&Imprimir..."
                               << "Imprimir..." << true;
        QTest::newRow("copy") << "toolCopy"
                              << "&Copiar"
                              << "Copiar" << true;
        QTest::newRow("find") << "toolFind"
                              << "&Localizar"
                              << "Localizar" << true;
        QTest::newRow("single") << "toolSinglePage"
                                << "&Página simples"
                                << "Página simples" << true;
        QTest::newRow("multiple") << "toolMultiplePages"
                                  << "&Múltiplas páginas"
                                  << "Múltiplas páginas" << true;
        QTest::newRow("zoom out") << "toolZoomOut"
                                  << "&Zoom -"
                                  << "Zoom -" << true;
        QTest::newRow("zoom in") << "toolZoomIn"
                                 << "&Zoom +"
                                 << "Zoom +" << true;
        QTest::newRow("previous") << "toolPreviousPage"
                                  << "Página anterior"
                                  << "Página anterior" << false;
        QTest::newRow("next") << "toolNextPage"
                              << "Próxima página"
                              << "Próxima página" << true;
        QTest::newRow("back") << "toolBack"
                              << "&Voltar"
                              << "Voltar" << false;
        QTest::newRow("forward") << "toolForward"
                                 << "&Avançar"
                                 << "Avançar" << false;
        QTest::newRow("contents") << "toolContents"
                                  << "Índice"
                                  << "Índice" << false;
    }
    void toolsHaveTheirCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, tip);
        QFETCH(bool, enabled);
        ShownReport r;
        QAction* action = tool(r.preview, name.toLatin1().constData());
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->toolTip(), tip);
        QCOMPARE(action->isEnabled(), enabled);
    }

    void sharedAltLettersBelongToTheFirstTool()
    {
        ShownReport r;
        QCOMPARE(button(r.preview, "toolZoomOut")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Z));
        QVERIFY(button(r.preview, "toolZoomIn")->shortcut().isEmpty());
        QCOMPARE(button(r.preview, "toolCopy")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    }

    void stepsThroughThePages()
    {
        ShownReport r;
        QCOMPARE(r.preview.pageCount(), 4);
        auto* page = r.preview.findChild<QLabel*>(QStringLiteral("lblPagina"));
        QCOMPARE(page->text(), QStringLiteral("Página 1 de 4"));
        tool(r.preview, "toolNextPage")->trigger();
        tool(r.preview, "toolNextPage")->trigger();
        QCOMPARE(r.preview.currentPage(), 2);
        QCOMPARE(page->text(), QStringLiteral("Página 3 de 4"));
        tool(r.preview, "toolNextPage")->trigger();
        QVERIFY(!tool(r.preview, "toolNextPage")->isEnabled());
        tool(r.preview, "toolPreviousPage")->trigger();
        QCOMPARE(r.preview.currentPage(), 2);
        QVERIFY(tool(r.preview, "toolPreviousPage")->isEnabled());

        tool(r.preview, "toolMultiplePages")->trigger();
        QVERIFY(tool(r.preview, "toolMultiplePages")->isChecked());
        QVERIFY(!tool(r.preview, "toolSinglePage")->isChecked());
        QCOMPARE(r.preview.currentPage(), 2);
        tool(r.preview, "toolSinglePage")->trigger();
        QVERIFY(tool(r.preview, "toolSinglePage")->isChecked());
        QCOMPARE(r.preview.currentPage(), 2);
    }

    void zooms()
    {
        ShownReport r;
        const double start = r.preview.zoom();
        tool(r.preview, "toolZoomIn")->trigger();
        QVERIFY(r.preview.zoom() > start);
        tool(r.preview, "toolZoomOut")->trigger();
        tool(r.preview, "toolZoomOut")->trigger();
        QVERIFY(r.preview.zoom() < start);
        for (int i = 0; i < 20; ++i)
            tool(r.preview, "toolZoomOut")->trigger();
        QCOMPARE(r.preview.zoom(), 0.25); // the smallest step
    }

    void findsAndStepsThroughMatches()
    {
        ShownReport r;
        tool(r.preview, "toolFind")->trigger();
        auto* text = r.preview.findChild<QLineEdit*>(QStringLiteral("txtLocalizar"));
        QVERIFY(text->isVisible());
        text->setText(QStringLiteral("movimento do dia"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(r.preview.matches().size(), 3);
        QCOMPARE(r.preview.currentMatch(), 0);
        auto* status = r.preview.findChild<QLabel*>(QStringLiteral("lblLocalizar"));
        QCOMPARE(status->text(), QStringLiteral("1 de 3"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(r.preview.currentMatch(), 1);
        QCOMPARE(r.preview.currentPage(), 1); // the second day's page
        QCOMPARE(status->text(), QStringLiteral("2 de 3"));
        QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(r.preview.currentPage(), 0);

        // A new text searches from the page in view.
        r.preview.setCurrentPage(1);
        r.preview.find(QStringLiteral("CAIXA"));
        QCOMPARE(r.preview.matches().at(r.preview.currentMatch()).page, 1);
        // None on the later pages: back to the first.
        r.preview.setCurrentPage(2);
        r.preview.find(QStringLiteral("Aluguel"));
        QCOMPARE(r.preview.currentPage(), 0);
        r.preview.find(QStringLiteral("não existe"));
        QCOMPARE(r.preview.currentMatch(), -1);
        QCOMPARE(status->text(), QStringLiteral("Texto não encontrado."));
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!text->isVisible());
    }

    void copiesThePageAsAPicture()
    {
        ShownReport r;
        QApplication::clipboard()->clear();
        r.preview.setCurrentPage(1);
        tool(r.preview, "toolCopy")->trigger();
        const QImage image = QApplication::clipboard()->image();
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > image.height()); // a landscape sheet
        QCOMPARE(image.width(), 1754);           // A4 at 150 dots per inch
    }

    void printsThroughThePrintDialog()
    {
        ShownReport r;
        const QString pdf = r.book.dir() + QStringLiteral("/impresso.pdf");
        bool asked = false;
        whenModal<QPrintDialog>([&](QPrintDialog* dialog) {
            asked = true;
            QCOMPARE(dialog->minPage(), 1);
            QCOMPARE(dialog->maxPage(), 4);
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(pdf);
            dialog->printer()->setPrintRange(QPrinter::PageRange);
            dialog->printer()->setFromTo(2, 3);
            dialog->done(QDialog::Accepted);
        });
        tool(r.preview, "toolPrint")->trigger();
        QVERIFY(asked);
        const QString text = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.contains(QStringLiteral("Movimento do dia 02/12/2026.")));
        QVERIFY(text.contains(QStringLiteral("Movimento do dia 03/12/2026.")));
        QVERIFY(!text.contains(QStringLiteral("LIVRO DE CAIXA")));
    }
};

LIVRO_TEST(tst_ReportPreview)
#include "tst_ReportPreview.moc"
