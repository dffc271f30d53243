#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "entries/AccountBook.h"
#include "entries/EntryStore.h"
#include "entries/frmCadConta.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTest>

namespace {

QStringList gridColumn(frmCadConta& w, int column)
{
    auto* grid = control<QTableWidget>(w, "grade");
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts.append(grid->item(r, column)->text());
    return texts;
}

void typeAndLaunch(frmCadConta& w, const QString& text)
{
    auto* box = control<QLineEdit>(w, "txtConta");
    box->setFocus();
    box->setText(text);
    control<QPushButton>(w, "cmdLancar")->click();
}

void selectRow(frmCadConta& w, int row)
{
    control<QTableWidget>(w, "grade")->setCurrentCell(row, 1);
}

qint64 storedBalance(TestBook& book, qint64 id)
{
    return book.scalar(QStringLiteral("select saldo from contas where id = ?"), {id}).toLongLong();
}

} // namespace

class tst_Accounts : public QObject
{
    Q_OBJECT

private slots:
    void createsUpperCaseOnce()
    {
        TestBook book;
        frmCadConta w(book.session);
        QCOMPARE(w.windowTitle(), QStringLiteral("Contas"));
        typeAndLaunch(w, QStringLiteral("  casa  "));
        QCOMPARE(gridColumn(w, 1), QStringList{QStringLiteral("CASA")});
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QString());
        typeAndLaunch(w, QStringLiteral("casa"));
        QCOMPARE(gridColumn(w, 1), QStringList{QStringLiteral("CASA")});
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QStringLiteral("CASA"));
        typeAndLaunch(w, QStringLiteral("   "));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 1);
        typeAndLaunch(w, QStringLiteral("ação d'ávila"));
        QCOMPARE(gridColumn(w, 1), (QStringList{QStringLiteral("CASA"), QStringLiteral("AÇÃO D'ÁVILA")}));
        QCOMPARE(gridColumn(w, 2), (QStringList{QStringLiteral("0,00"), QStringLiteral("0,00")}));
        QVERIFY(book.dialogs.shown.isEmpty());
        // After a fill the last account is the current row.
        QCOMPARE(control<QTableWidget>(w, "grade")->currentRow(), 1);
        QCOMPARE(storedBalance(book, 2), qint64(0));
    }

    void leavingTheNameBoxNormalises()
    {
        TestBook book;
        frmCadConta w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* box = control<QLineEdit>(w, "txtConta");
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("  banco central "));
        control<QTableWidget>(w, "grade")->setFocus();
        QCOMPARE(box->text(), QStringLiteral("BANCO CENTRAL"));
    }

    void renamesByDoubleClick()
    {
        TestBook book;
        const qint64 casa = book.addAccount(QStringLiteral("CASA"));
        book.addAccount(QStringLiteral("LOJA"));
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("08:00:00"), casa, QStringLiteral("x"), QStringLiteral("5,00"), QStringLiteral("0,00"));
        frmCadConta w(book.session);
        auto* grid = control<QTableWidget>(w, "grade");
        selectRow(w, 0);
        emit grid->cellDoubleClicked(0, 1);
        QVERIFY(w.isRenaming());
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QStringLiteral("CASA"));

        // A name another account has: nothing happens, still renaming.
        typeAndLaunch(w, QStringLiteral("loja"));
        QVERIFY(w.isRenaming());
        QCOMPARE(gridColumn(w, 1), (QStringList{QStringLiteral("CASA"), QStringLiteral("LOJA")}));

        typeAndLaunch(w, QStringLiteral("banco"));
        QVERIFY(!w.isRenaming());
        QCOMPARE(gridColumn(w, 1), (QStringList{QStringLiteral("BANCO"), QStringLiteral("LOJA")}));
        QCOMPARE(gridColumn(w, 0).first(), QString::number(casa));
        // The entries follow the account.
        QCOMPARE(book.scalar(QStringLiteral("select c.descricao from caixa e join contas c on c.id = e.idconta")).toString(),
                 QStringLiteral("BANCO"));
        // A new name afterwards creates, it no longer renames.
        typeAndLaunch(w, QStringLiteral("novo"));
        QCOMPARE(gridColumn(w, 1).size(), 3);
    }

    void deleteIsRefusedWhileEntriesUseTheAccount()
    {
        TestBook book;
        const qint64 casa = book.addAccount(QStringLiteral("D'ÁVILA"));
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("08:00:00"), casa, QStringLiteral("x"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.addEntry(QStringLiteral("2026-11-01"), QStringLiteral("08:00:00"), casa, QStringLiteral("x"), QStringLiteral("0,00"), QStringLiteral("30,00"));
        frmCadConta w(book.session);
        QCOMPARE(gridColumn(w, 2), QStringList{QStringLiteral("70,00")});
        auto* grid = control<QTableWidget>(w, "grade");
        selectRow(w, 0);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Erro"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QCOMPARE(book.dialogs.last().text,
                 QStringLiteral("Não é possível excluir esta conta pois existem registros lançados que fazem referência a mesma!"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 1);
    }

    void deleteAsksFirst()
    {
        TestBook book;
        book.addAccount(QStringLiteral("D'ÁVILA"));
        frmCadConta w(book.session);
        auto* grid = control<QTableWidget>(w, "grade");
        selectRow(w, 0);
        book.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Tem certeza que deseja excluir o registro?"));
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Excluir"));
        QCOMPARE(book.dialogs.last().buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 1);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from contas")).toInt(), 0);
        QCOMPARE(grid->rowCount(), 0);
        // An empty grid: double-click and Delete do nothing.
        emit grid->cellDoubleClicked(0, 0);
        QTest::keyClick(grid, Qt::Key_Delete);
        QVERIFY(!w.isRenaming());
        QCOMPARE(book.dialogs.shown.size(), 2);
    }

    void refusedWritesAreReported()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        frmCadConta w(book.session);
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        typeAndLaunch(w, QStringLiteral("banco"));
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível criar a conta.")));
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QStringLiteral("BANCO"));
        selectRow(w, 0);
        QTest::keyClick(control<QTableWidget>(w, "grade"), Qt::Key_Delete);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível excluir a conta.")));
        QCOMPARE(gridColumn(w, 1), QStringList{QStringLiteral("CAIXA")});
    }

    void cancelClosesTheRegister()
    {
        TestBook book;
        frmCadConta w(book.session);
        w.show();
        control<QPushButton>(w, "Command1")->click();
        QVERIFY(!w.isVisible());
    }

    // After any mix of saves, edits and deletes the stored balance of every
    // account equals the balance computed from its entries.
    void storedBalancesFollowEveryChange()
    {
        TestBook book;
        const QStringList names{QStringLiteral("CAIXA"), QStringLiteral("BANCO"), QStringLiteral("D'ÁVILA")};
        for (const QString& n : names)
            book.addAccount(n);
        EntryStore store(book.db);
        AccountBook accounts(book.db);
        QRandomGenerator random(7);
        QList<qint64> ids;
        for (int step = 0; step < 120; ++step) {
            const int action = ids.isEmpty() ? 0 : int(random.bounded(3));
            EntryStore::Entry e{QDate(2026, 1, 1).addDays(random.bounded(300)), QTime(9, 0),
                                names.at(random.bounded(3)), QString(), QStringLiteral("x"),
                                *Money::fromCents(random.bounded(100000)), Money()};
            if (random.bounded(2))
                std::swap(e.entrada, e.saida);
            if (action == 0) {
                const auto saved = store.save(0, e);
                QVERIFY(saved.status.ok());
                ids.append(saved.id);
            } else if (action == 1) {
                QVERIFY(store.save(ids.at(random.bounded(int(ids.size()))), e).status.ok());
            } else {
                QVERIFY(store.remove(ids.takeAt(random.bounded(int(ids.size())))).ok());
            }
        }
        const auto all = accounts.accountsById();
        QVERIFY(all && all->size() == 3);
        for (const auto& account : *all)
            QCOMPARE(storedBalance(book, account.id), accounts.ConsultaSaldo(account.id)->units());
    }

    void updateAccountBalanceByName()
    {
        TestBook book;
        const qint64 a = book.addAccount(QStringLiteral("D'ÁVILA"));
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("08:00:00"), a, QStringLiteral("x"), QStringLiteral("100,00"), std::nullopt);
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:00:00"), a, QStringLiteral("x"), std::nullopt, QStringLiteral("30,50"));
        AccountBook accounts(book.db);
        QVERIFY(accounts.UpdateAccountBalance(QStringLiteral("D'ÁVILA")));
        QCOMPARE(storedBalance(book, a), qint64(695000));
        QVERIFY(accounts.UpdateAccountBalance(QStringLiteral("NINGUÉM")));
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        QVERIFY(!accounts.UpdateAccountBalance(QStringLiteral("D'ÁVILA")));
    }
};

LIVRO_TEST(tst_Accounts)
#include "tst_Accounts.moc"
