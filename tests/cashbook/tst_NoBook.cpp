#include "CashBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "book/Backup.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

// A file that is not a cash book: the main window says that no book is open
// and why, offers nothing that needs one, and no backup when it closes.
class tst_NoBook : public QObject
{
    Q_OBJECT

private slots:
    void theWindowSaysNoBookIsOpen()
    {
        TestBook book;
        book.db.close();
        writeFile(book.bookPath(), "notas da loja, não um livro de caixa\n");

        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(!book.session.bookOpen);
        QCOMPARE(book.dialogs.shown.size(), 1); // the connection message
        frmPrincipal w(book.session);
        showActive(w);
        auto* notice = control<QLabel>(w, "lblSemLivro");
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().startsWith(u"Nenhum livro de caixa está aberto: "_s) &&
                     notice->text().contains(book.session.noBookReason),
                 qPrintable(notice->text()));
        for (const char* name : {"btnAdicionar", "btnExcluir", "btnEditar"}) {
            auto* button = control<QToolButton>(w, name);
            QVERIFY2(!button->isEnabled() && button->toolTip() == notice->text(), name);
        }
        QVERIFY(!control<QTableView>(w, "grade")->isEnabled());
        QVERIFY(!control<QLineEdit>(w, "txtDia")->isEnabled());
        QVERIFY(!control<QAction>(w, "mnuOpcoes")->isEnabled());
        QVERIFY(!control<QAction>(w, "mnuUsuarios")->isEnabled());
        QVERIFY(control<QAction>(w, "mnuAtualizacoes")->isEnabled());

        w.close();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(!QDir(Backup::folderFor(book.bookPath())).exists());
        QCOMPARE(w.windowTitle(), u"..:: Tamiro - Lavrenta ::.."_s);
    }
};

LIVRO_TEST(tst_NoBook)
#include "tst_NoBook.moc"
