#include "ReportWindow.h"
#include "TestMain.h"

#include <QComboBox>
#include <QDir>
#include <QScrollArea>
#include <QStandardPaths>

namespace {

QRect onScreen(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

QString cover(ReportWindow& r)
{
    return r.preview()->document()->texts(u"ReportHeader"_s, u"lblCobertura"_s).join(u'|');
}

} // namespace

// What the report window adds around the report: the line that says what it
// covers, the page number out of the way, the exports' suggested names and
// the window's remembered place.
class tst_ReportExtras : public QObject
{
    Q_OBJECT

private slots:
    // The first page says, below the title, the period and the account; the
    // page number sits outside the pages. Enter in a date box previews.
    void theFirstPageSaysWhatItCovers()
    {
        ReportBook book;
        ReportWindow r(book);
        r.showActive();
        r.previewOf("01/12/2026", "03/12/2026");
        QCOMPARE(cover(r), u"Período: 01/12/2026 Até 03/12/2026     Conta: Todas"_s);
        r.get<QComboBox>("cboConta")->setCurrentText(u"BANCO D'ÁVILA"_s);
        r.previewOf("01/12/2026", "03/12/2026");
        QCOMPARE(cover(r), u"Período: 01/12/2026 Até 03/12/2026     Conta: BANCO D'ÁVILA"_s);

        const QWidget* pages = control<QScrollArea>(*r.preview(), "pageArea")->viewport();
        const QLabel* pageNumber = control<QLabel>(*r.preview(), "lblPagina");
        QVERIFY(pageNumber->isVisible() && !pageNumber->text().isEmpty());
        QVERIFY(!onScreen(pages).intersects(onScreen(pageNumber)));

        // Enter in a date box previews, as "Visualizar relatório" does.
        auto* last = r.get<QLineEdit>("txtAte");
        last->setText(u"02/12/2026"_s);
        last->setFocus();
        QTest::keyClick(last, Qt::Key_Return);
        r.settle();
        QCOMPARE(r.w.content()->periodText, u"01/12/2026 Até 02/12/2026"_s);
    }

    // The save dialog suggests a name of the period, first in the documents
    // folder, then in the folder last used; the notice says where the file went.
    void exportsSuggestANameAndSayWhereItWent()
    {
        ReportBook book;
        ReportWindow r(book);
        r.showActive();
        r.previewOf("01/12/2026", "03/12/2026");
        const QString folder = book.dir() + u"/exportados"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString pdf = folder + u"/caixa de dezembro.pdf"_s;
        book.dialogs.fileNames = {pdf, folder + u"/caixa.xlsx"_s};
        r.click("btnPDF");
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(book.dialogs.fileSuggestions.value(0),
                 QDir(documents.isEmpty() ? QDir::homePath() : documents)
                     .filePath(u"livro-caixa_2026-12-01_a_2026-12-03.pdf"_s));
        QCOMPARE(r.get<QLabel>("lblAviso")->toolTip(),
                 u"Gravado em "_s + QDir::toNativeSeparators(pdf));
        QVERIFY(r.notice().startsWith(u"Gravado em "_s));

        r.click("btnXLS");
        QCOMPARE(book.dialogs.fileSuggestions.value(1),
                 folder + u"/livro-caixa_2026-12-01_a_2026-12-03.xlsx"_s);
    }

    // The report window opens where it was last closed, at the size it had.
    void theWindowRemembersItsPlace()
    {
        ReportBook book;
        QRect closedAt;
        {
            frmRel w(book.session);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(QRect(40, 30, 950, 620));
            closedAt = w.geometry();
            w.close();
        }
        frmRel again(book.session);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry(), closedAt);
    }
};

LIVRO_TEST(tst_ReportExtras)
#include "tst_ReportExtras.moc"
