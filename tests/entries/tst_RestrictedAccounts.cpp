#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "entries/frmCadConta.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

// A restricted user may create accounts but neither rename nor delete one:
// a rename rewrites the history of every entry and report under it.
class tst_RestrictedAccounts : public QObject
{
    Q_OBJECT

private slots:
    void renameAndDeleteAreRefused()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        book.session.CurrentUser = {u"joao"_s, u"r"_s};
        frmCadConta w(book.session);
        auto* grid = control<QTableWidget>(w, "grade");
        grid->setCurrentCell(0, 1);

        emit grid->cellDoubleClicked(0, 1);
        QVERIFY(!w.isRenaming());
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QString());
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"não podem renomear nem excluir"_s);

        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.shown.size(), 2); // told again, nothing asked
        QCOMPARE(book.dialogs.last().buttons, Dialogs::Buttons::Ok);
        QCOMPARE(book.strings(u"select descricao from contas order by id"_s), items("CAIXA"));

        control<QLineEdit>(w, "txtConta")->setText(u"banco"_s);
        control<QPushButton>(w, "cmdLancar")->click();
        QCOMPARE(book.strings(u"select descricao from contas order by id"_s), items("CAIXA|BANCO"));
    }
};

LIVRO_TEST(tst_RestrictedAccounts)
#include "tst_RestrictedAccounts.moc"
