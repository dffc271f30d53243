#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "entries/frmCadCaixa.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

// Clock at 05/12/2026 14:03; one entry yesterday and two today.
struct CommandBook : TestBook
{
    CommandBook()
    {
        caixa = addAccount(QStringLiteral("CAIXA"));
        banco = addAccount(QStringLiteral("BANCO"));
        addEntry(QStringLiteral("2026-12-04"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Venda"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:00:00"), banco, QStringLiteral("Luz"), QStringLiteral("0,00"), QStringLiteral("30,00"));
        last = addEntry(QStringLiteral("2026-12-05"), QStringLiteral("10:30:15"), caixa, QStringLiteral("Troco"), QStringLiteral("20,00"), std::nullopt, QStringLiteral("NF 9"));
        exec(QStringLiteral("update contas set saldo = 1200000 where id = ?"), {caixa});
        LoadSettings(db, session.Settings);
    }
    qint64 caixa = 0;
    qint64 banco = 0;
    qint64 last = 0;
};

// Records whether an entry form was opened, closing it at once. It watches
// for about 100 ms; a test that expects no form waits that long.
struct FormWatch
{
    explicit FormWatch(int attempts = 10)
    {
        whenModal<frmCadCaixa>([this](frmCadCaixa* form) {
            opened = true;
            form->reject();
        }, attempts);
    }
    bool opened = false;
};

} // namespace

class tst_EntryCommands : public QObject
{
    Q_OBJECT

private slots:
    void addThenCancelChangesNothing()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("11:00:00"), book.caixa, QStringLiteral("Escondido"), QStringLiteral("1,00"), QStringLiteral("0,00"));
        FormWatch watch;
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(watch.opened);
        QVERIFY(!book.session.EntrySaved);
        QCOMPARE(book.session.EditEntryId, qint64(0));
        // No refresh: the entry added behind the window's back is not listed yet.
        QCOMPARE(w.gridModel()->rowCount(), 3);
    }

    void addAndSaveRefreshesGridAndPanel()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        whenModal<frmCadCaixa>([](frmCadCaixa* form) {
            QCOMPARE(control<QLineEdit>(*form, "txtDia")->text(), QStringLiteral("05/12/2026"));
            control<QComboBox>(*form, "cboConta")->setCurrentText(QStringLiteral("CAIXA"));
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(QStringLiteral("Sangria"));
            control<QLineEdit>(*form, "txtSaida")->setText(QStringLiteral("50,00"));
            control<QToolButton>(*form, "btnSalvar")->click();
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(w.gridModel()->rowCount(), 4);
        QCOMPARE(w.gridModel()->cellText(3, EntryGridModel::Descricao), QStringLiteral("Sangria"));
        QCOMPARE(w.gridModel()->cellText(3, EntryGridModel::Saldo), QStringLiteral("40,00"));
        QCOMPARE(control<QLabel>(w, "lblSaldoHoje")->text(), QStringLiteral("-60,00"));
        QCOMPARE(control<QLabel>(w, "lblTotalSaidas")->text(), QStringLiteral("80,00"));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.caixa}).toLongLong(), qint64(700000));
    }

    void editFillsTheFormFromTheSelectedRow()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        QString shownDescription, shownTime, shownAccount, shownIn, shownOut, shownDoc;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            shownDescription = control<QPlainTextEdit>(*form, "txtDescricao")->toPlainText();
            shownTime = control<QLineEdit>(*form, "txtHora")->text();
            shownAccount = control<QComboBox>(*form, "cboConta")->currentText();
            shownIn = control<QLineEdit>(*form, "txtEntrada")->text();
            shownOut = control<QLineEdit>(*form, "txtSaida")->text();
            shownDoc = control<QLineEdit>(*form, "txtNDoc")->text();
            form->reject();
        });
        // Right after a refresh the last row is the selected one.
        control<QToolButton>(w, "btnEditar")->click();
        QCOMPARE(book.session.EditEntryId, book.last);
        QCOMPARE(shownDescription, QStringLiteral("Troco"));
        QCOMPARE(shownTime, QStringLiteral("10:30"));
        QCOMPARE(shownAccount, QStringLiteral("CAIXA"));
        QCOMPARE(shownIn, QStringLiteral("20,00"));
        QCOMPARE(shownOut, QStringLiteral("0,00"));
        QCOMPARE(shownDoc, QStringLiteral("NF 9"));
    }

    void editAndCancelStillRefreshes()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("11:00:00"), book.caixa, QStringLiteral("Novo"), QStringLiteral("1,00"), QStringLiteral("0,00"));
        auto* grid = control<QTableView>(w, "grade");
        const QModelIndex first = w.gridModel()->index(0, 2);
        grid->setCurrentIndex(first);
        FormWatch watch;
        emit grid->doubleClicked(first);
        QVERIFY(watch.opened);
        QCOMPARE(w.gridModel()->rowCount(), 4);
    }

    void editAndSaveKeepsTheSeconds()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        whenModal<frmCadCaixa>([](frmCadCaixa* form) {
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(QStringLiteral("Troco corrigido"));
            control<QToolButton>(*form, "btnSalvar")->click();
        });
        control<QToolButton>(w, "btnEditar")->click();
        QCOMPARE(book.scalar(QStringLiteral("select hora from caixa where id = ?"), {book.last}).toString(), QStringLiteral("10:30:15"));
        QCOMPARE(w.gridModel()->cellText(2, EntryGridModel::Descricao), QStringLiteral("Troco corrigido"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 3);
    }

    void deleteTheLastRowAfterARefresh()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        book.dialogs.answers = {Dialogs::Answer::No};
        control<QToolButton>(w, "btnExcluir")->click();
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Tem certeza que deseja excluir o registro?"));
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Excluir"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Question);
        QCOMPARE(w.gridModel()->rowCount(), 3);

        control<QToolButton>(w, "btnExcluir")->click(); // answered "yes"
        QCOMPARE(w.gridModel()->rowCount(), 2);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa where id = ?"), {book.last}).toInt(), 0);
        // The account's stored balance now holds only its remaining entry.
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.caixa}).toLongLong(), qint64(1000000));
        QCOMPARE(control<QLabel>(w, "lblSaldoHoje")->text(), QStringLiteral("-30,00"));
    }

    void deleteKeyOnTheGrid()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(1, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(w.gridModel()->rowCount(), 2);
        QCOMPARE(column(w, EntryGridModel::Descricao), (QStringList{QStringLiteral("Venda"), QStringLiteral("Troco")}));
        // The only entry of an account gone: its stored balance is 0.
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.banco}).toLongLong(), qint64(0));
    }

    void commandsOnAnEmptyGridDoNothing()
    {
        CommandBook book;
        frmPrincipal w(book.session);
        control<QLineEdit>(w, "txtDia")->setText(QStringLiteral("01/01/2025"));
        w.Activate();
        QCOMPARE(w.gridModel()->rowCount(), 0);
        FormWatch watch;
        control<QToolButton>(w, "btnEditar")->click();
        control<QToolButton>(w, "btnExcluir")->click();
        QTest::qWait(150);
        QVERIFY(!watch.opened);
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void restrictedUserOnlyAdds()
    {
        CommandBook book;
        book.session.CurrentUser.userLevel = QStringLiteral("r");
        frmPrincipal w(book.session);
        auto* grid = control<QTableView>(w, "grade");
        FormWatch watch;
        emit grid->doubleClicked(w.gridModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::qWait(150);
        QVERIFY(!watch.opened);
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 3);

        bool dateLocked = false;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            dateLocked = !control<QLineEdit>(*form, "txtDia")->isEnabled();
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(QStringLiteral("Venda do caixa 2"));
            control<QLineEdit>(*form, "txtEntrada")->setText(QStringLiteral("5,00"));
            control<QToolButton>(*form, "btnSalvar")->click();
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(dateLocked);
        QCOMPARE(w.gridModel()->rowCount(), 3); // the day's entries: two before, one added
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 4);
    }

private:
    static QStringList column(frmPrincipal& w, int c)
    {
        QStringList texts;
        for (int r = 0; r < w.gridModel()->rowCount(); ++r)
            texts.append(w.gridModel()->cellText(r, c));
        return texts;
    }
};

LIVRO_TEST(tst_EntryCommands)
#include "tst_EntryCommands.moc"
