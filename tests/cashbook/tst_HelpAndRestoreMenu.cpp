#include "CashBook.h"
#include "TestMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QTest>

// The main window's "Ajuda" (F1) and "Restaurar backup…" entries.
class tst_HelpAndRestoreMenu : public QObject
{
    Q_OBJECT

private slots:
    // F1 anywhere in the main window, and the "Ajuda" entry, open the guide
    // kept beside the program in the user's browser.
    void f1OpensTheGuide()
    {
        CashBook book;
        frmPrincipal window(book.session);
        showActive(window);
        QTest::keyClick(control<QWidget>(window, "grade"), Qt::Key_F1);
        const QUrl guide = QUrl::fromLocalFile(
            QDir(QCoreApplication::applicationDirPath()).filePath(u"guia/index.html"_s));
        QCOMPARE(book.dialogs.openedUrls, QList<QUrl>{guide});
        auto* help = control<QAction>(window, "mnuAjuda");
        QCOMPARE(help->text(), u"A&juda"_s);
        help->trigger();
        QCOMPARE(book.dialogs.openedUrls, (QList<QUrl>{guide, guide}));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // Restoring is for common-level users: a restricted user does not see it.
    void restoreOnlyForCommonLevel_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("offered");
        QTest::newRow("common") << u"c"_s << true;
        QTest::newRow("restricted") << u"r"_s << false;
    }
    void restoreOnlyForCommonLevel()
    {
        QFETCH(QString, level);
        QFETCH(bool, offered);
        CashBook book;
        book.session.CurrentUser.userLevel = level;
        frmPrincipal window(book.session);
        auto* restore = control<QAction>(window, "mnuRestaurar");
        QCOMPARE(restore->text(), u"Restaurar backup…"_s);
        QVERIFY(control<QMenu>(window, "mnuCaixa")->actions().contains(restore));
        QCOMPARE(restore->isVisible(), offered);
        QCOMPARE(restore->isEnabled(), offered);
    }
};

LIVRO_TEST(tst_HelpAndRestoreMenu)
#include "tst_HelpAndRestoreMenu.moc"
