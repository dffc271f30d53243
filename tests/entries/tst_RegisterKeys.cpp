#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "entries/frmCadConta.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

// The account register with the keyboard alone.
class tst_RegisterKeys : public QObject
{
    Q_OBJECT

private slots:
    // The focus starts in the grid, which is one tab stop: Tab reaches the
    // name box, "&Lançar" and "&Cancelar" in the specified order. Enter in
    // the name box launches it; the new account is the highlighted last row.
    // Delete names the account and answers "Não" to Enter.
    void typesAndLaunchesWithoutTheMouse()
    {
        TestBook book;
        book.addAccount(u"BANCO"_s);
        frmCadConta w(book.session);
        showActive(w);
        const auto focused = [] { return QApplication::focusWidget()->objectName(); };
        QCOMPARE(focused(), u"grade"_s);
        QStringList order;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order.append(focused());
        }
        QCOMPARE(order, (QStringList{u"txtConta"_s, u"cmdLancar"_s, u"Command1"_s}));

        auto* name = control<QLineEdit>(w, "txtConta");
        name->setFocus();
        QTest::keyClicks(name, u" casa "_s);
        QTest::keyClick(name, Qt::Key_Return);
        auto* grid = control<QTableWidget>(w, "grade");
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(1, 1)->text(), u"CASA"_s);
        QVERIFY(grid->selectionModel()->isRowSelected(1, {}));

        name->setText(u"caixa"_s);
        control<QPushButton>(w, "cmdLancar")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(grid->rowCount(), 3);

        book.dialogs.answers = {Dialogs::Answer::No};
        grid->setFocus();
        grid->selectRow(1);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.last().whatGoes, u"Conta: CASA"_s);
        QCOMPARE(book.dialogs.last().defaultAnswer, Dialogs::Answer::No);
        QCOMPARE(grid->rowCount(), 3);
    }
};

LIVRO_TEST(tst_RegisterKeys)
#include "tst_RegisterKeys.moc"
