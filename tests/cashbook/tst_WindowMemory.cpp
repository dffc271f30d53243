#include "CashBook.h"
#include "TestMain.h"

#include <QTest>

// The main window opens where it was last closed, at the size it had.
class tst_WindowMemory : public QObject
{
    Q_OBJECT

private slots:
    void theMainWindowRemembersItsPlace()
    {
        CashBook book;
        book.dialogs.answers = {Dialogs::Answer::No}; // no backup at the close
        QRect closedAt;
        {
            frmPrincipal w(book.session);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(QRect(60, 50, 1100, 760));
            closedAt = w.geometry();
            w.close();
        }
        frmPrincipal again(book.session);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry(), closedAt);
    }
};

LIVRO_TEST(tst_WindowMemory)
#include "tst_WindowMemory.moc"
