#include "Controls.h"
#include "ReportBook.h"
#include "TestMain.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPreview.h"
#include "reports/frmRel.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTest>

namespace {

QRect onScreen(const QWidget* w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Reports are made on a thread of their own: wait until the window is idle.
void settle(const frmRel& w)
{
    QTRY_VERIFY_WITH_TIMEOUT(!w.isWorking(), 20000);
}

void previewOf(frmRel& w, const QString& first, const QString& last)
{
    control<QLineEdit>(w, "txtDe")->setText(first);
    control<QLineEdit>(w, "txtAte")->setText(last);
    control<QPushButton>(w, "btnVisualizar")->click();
    settle(w);
}

QStringList cover(frmRel& w)
{
    return control<ReportPreview>(w, "VRel")->document()->texts(u"ReportHeader"_s,
                                                                u"lblCobertura"_s);
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
    // page number sits outside the pages.
    void theFirstPageSaysWhatItCovers()
    {
        ReportBook book;
        frmRel w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        settle(w);
        previewOf(w, u"01/12/2026"_s, u"03/12/2026"_s);
        QCOMPARE(cover(w), QStringList{u"Período: 01/12/2026 Até 03/12/2026     Conta: Todas"_s});
        control<QComboBox>(w, "cboConta")->setCurrentText(u"BANCO D'ÁVILA"_s);
        previewOf(w, u"01/12/2026"_s, u"03/12/2026"_s);
        QCOMPARE(cover(w),
                 QStringList{u"Período: 01/12/2026 Até 03/12/2026     Conta: BANCO D'ÁVILA"_s});

        auto* preview = control<ReportPreview>(w, "VRel");
        const QWidget* pages = control<QScrollArea>(*preview, "pageArea")->viewport();
        const QLabel* pageNumber = control<QLabel>(*preview, "lblPagina");
        QVERIFY(pageNumber->isVisible() && !pageNumber->text().isEmpty());
        QVERIFY(!onScreen(pages).intersects(onScreen(pageNumber)));
    }

    // Enter in a date box previews, as "Visualizar relatório" does.
    void enterInADateBoxPreviews()
    {
        ReportBook book;
        frmRel w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        settle(w);
        control<QLineEdit>(w, "txtDe")->setText(u"01/12/2026"_s);
        auto* last = control<QLineEdit>(w, "txtAte");
        last->setText(u"02/12/2026"_s);
        last->setFocus();
        QTest::keyClick(last, Qt::Key_Return);
        settle(w);
        QCOMPARE(w.content()->periodText, u"01/12/2026 Até 02/12/2026"_s);
    }

    // The save dialog suggests a name of the period, first in the documents
    // folder, then in the folder last used; the notice says where the file went.
    void exportsSuggestANameAndSayWhereItWent()
    {
        ReportBook book;
        frmRel w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        settle(w);
        previewOf(w, u"01/12/2026"_s, u"03/12/2026"_s);
        const QString folder = book.dir() + u"/exportados"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString pdf = folder + u"/caixa de dezembro.pdf"_s;
        book.dialogs.fileNames = {pdf, folder + u"/caixa.xlsx"_s};
        control<QPushButton>(w, "btnPDF")->click();
        settle(w);
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(book.dialogs.fileSuggestions.value(0),
                 QDir(documents.isEmpty() ? QDir::homePath() : documents)
                     .filePath(u"livro-caixa_2026-12-01_a_2026-12-03.pdf"_s));
        const auto* notice = control<QLabel>(w, "lblAviso");
        QCOMPARE(notice->toolTip(), u"Gravado em "_s + QDir::toNativeSeparators(pdf));
        QVERIFY(notice->text().startsWith(u"Gravado em "_s));

        control<QPushButton>(w, "btnXLS")->click();
        settle(w);
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
