#include "ClosingBook.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "widgets/QtDialogs.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

// The grid with the keyboard alone around a closed day, with the real
// message boxes: a refusal is read and closed with Enter, and the keys go on
// working where they were.
class tst_ClosedDayKeys : public QObject
{
    Q_OBJECT

private slots:
    // Delete on an entry of a closed day shows the refusal; once it is
    // closed with Enter, the grid has the keyboard again and Insert opens
    // the new-entry form, as often as wanted.
    void insertAfterTheRefusalOfDelete()
    {
        ClosingBook book;
        book.close(QDate(2026, 12, 3), "70,00");
        QtDialogs boxes;
        Session session(book.db, boxes, book.clock, book.dir());
        LoadSettings(book.db, session.Settings);
        Shell shell(session);
        frmPrincipal main(session);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        control<QLineEdit>(main, "txtDia")->setText(u"05/12/2026"_s);
        control<QLineEdit>(main, "txtDias")->setText(u"5"_s);
        control<QPushButton>(main, "btnAtivar")->click();
        auto* grid = control<QTableView>(main, "grade");
        grid->setFocus();
        grid->setCurrentIndex(main.gridModel()->index(1, 0)); // 03/12, closed

        auto refusal = std::make_shared<QString>();
        whenModal<QMessageBox>([refusal](QMessageBox* box) {
            *refusal = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(grid, Qt::Key_Delete);
        QVERIFY2(refusal->contains(u"lance um estorno em um dia aberto"_s), qPrintable(*refusal));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), grid, 2000);

        // The form, closed with Escape, also gives the keyboard back: Insert
        // opens it again.
        for (int time = 1; time <= 2; ++time) {
            auto form = std::make_shared<QString>();
            whenModal<frmCadCaixa>([form](frmCadCaixa* window) {
                *form = window->windowTitle();
                QTest::keyClick(window, Qt::Key_Escape);
            });
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
            QCOMPARE(*form, u"Registros"_s);
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), grid, 2000);
        }
        QCOMPARE(book.count(u"caixa"_s), 3);
    }
};

LIVRO_TEST(tst_ClosedDayKeys)
#include "tst_ClosedDayKeys.moc"
