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

// A report of three days, a page each, and the chart's page.
struct ShownReport
{
    ShownReport()
    {
        preview.resize(900, 500);
        preview.setDocument(book.report(kFirst, kThird, 0, true).document);
        preview.show();
    }
    QAction* tool(const char* name) { return control<QAction>(preview, name); }
    QToolButton* button(const char* name)
    {
        return qobject_cast<QToolButton*>(
            preview.findChild<QToolBar*>()->widgetForAction(tool(name)));
    }
    ReportBook book;
    ReportPreview preview;
};

} // namespace

class tst_ReportPreview : public QObject
{
    Q_OBJECT

private slots:
    // Stepping through pages within their ends, switching page modes in
    // place, zooming down to its smallest step; tools without a use are off,
    // and an Alt letter shared by two tools belongs to the first.
    void navigatesThePages()
    {
        ShownReport r;
        auto* page = control<QLabel>(r.preview, "lblPagina");
        QCOMPARE(page->text(), QStringLiteral("Página 1 de 4"));
        for (const char* off : {"toolPreviousPage", "toolBack", "toolForward", "toolContents"})
            QVERIFY2(!r.tool(off)->isEnabled(), off);
        r.tool("toolNextPage")->trigger();
        r.tool("toolNextPage")->trigger();
        QCOMPARE(page->text(), QStringLiteral("Página 3 de 4"));
        r.tool("toolNextPage")->trigger();
        QVERIFY(!r.tool("toolNextPage")->isEnabled());
        r.tool("toolPreviousPage")->trigger();
        QCOMPARE(r.preview.currentPage(), 2);
        QVERIFY(r.tool("toolPreviousPage")->isEnabled());

        r.tool("toolMultiplePages")->trigger();
        QVERIFY(r.tool("toolMultiplePages")->isChecked() && !r.tool("toolSinglePage")->isChecked());
        r.tool("toolSinglePage")->trigger();
        QVERIFY(r.tool("toolSinglePage")->isChecked());
        QCOMPARE(r.preview.currentPage(), 2);

        const double start = r.preview.zoom();
        r.tool("toolZoomIn")->trigger();
        QVERIFY(r.preview.zoom() > start);
        for (int i = 0; i < 20; ++i)
            r.tool("toolZoomOut")->trigger();
        QCOMPARE(r.preview.zoom(), 0.25);

        QCOMPARE(r.button("toolZoomOut")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Z));
        QVERIFY(r.button("toolZoomIn")->shortcut().isEmpty());
        QCOMPARE(r.button("toolCopy")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_C));
    }

    // Find steps through the matches across pages (Enter, Shift+Enter),
    // a new text searches from the page in view and wraps to the first.
    void findsAndStepsThroughMatches()
    {
        ShownReport r;
        r.tool("toolFind")->trigger();
        auto* text = control<QLineEdit>(r.preview, "txtLocalizar");
        auto* status = control<QLabel>(r.preview, "lblLocalizar");
        QVERIFY(text->isVisible());
        text->setText(QStringLiteral("movimento do dia"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(status->text(), QStringLiteral("1 de 3"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(r.preview.currentPage(), 1); // the second day's page
        QCOMPARE(status->text(), QStringLiteral("2 de 3"));
        QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(r.preview.currentPage(), 0);

        r.preview.setCurrentPage(1);
        r.preview.find(QStringLiteral("CAIXA"));
        QCOMPARE(r.preview.matches().at(r.preview.currentMatch()).page, 1);
        r.preview.setCurrentPage(2);
        r.preview.find(QStringLiteral("Aluguel"));
        QCOMPARE(r.preview.currentPage(), 0);
        r.preview.find(QStringLiteral("não existe"));
        QCOMPARE(r.preview.currentMatch(), -1);
        QCOMPARE(status->text(), QStringLiteral("Texto não encontrado."));
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!text->isVisible());
    }

    // Copy puts the page in view on the clipboard as an A4 landscape picture;
    // print asks the print dialog and prints the range chosen there.
    void copiesAndPrints()
    {
        ShownReport r;
        QApplication::clipboard()->clear();
        r.preview.setCurrentPage(1);
        r.tool("toolCopy")->trigger();
        QCOMPARE(QApplication::clipboard()->image().width(), 1754); // at 150 dots per inch
        QVERIFY(QApplication::clipboard()->image().height() < 1754);

        const QString pdf = r.book.dir() + QStringLiteral("/impresso.pdf");
        bool asked = false;
        whenModal<QPrintDialog>([&](QPrintDialog* dialog) {
            asked = dialog->minPage() == 1 && dialog->maxPage() == 4;
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(pdf);
            dialog->printer()->setPrintRange(QPrinter::PageRange);
            dialog->printer()->setFromTo(2, 3);
            dialog->done(QDialog::Accepted);
        });
        r.tool("toolPrint")->trigger();
        QVERIFY(asked);
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Movimento do dia 02/12/2026.")));
        QVERIFY(text.contains(QStringLiteral("Movimento do dia 03/12/2026.")));
        QVERIFY(!text.contains(QStringLiteral("LIVRO DE CAIXA")));
    }
};

LIVRO_TEST(tst_ReportPreview)
#include "tst_ReportPreview.moc"
