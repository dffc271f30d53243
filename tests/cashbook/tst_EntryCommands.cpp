#include "CashBook.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "entries/frmCadCaixa.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// Closes the next entry form at once; the flag says whether one opened. It
// watches for about 100 ms: a test that expects no form waits that long.
std::shared_ptr<bool> watchForm()
{
    auto opened = std::make_shared<bool>(false);
    whenModal<frmCadCaixa>([opened](frmCadCaixa* form) {
        *opened = true;
        form->reject();
    }, 10);
    return opened;
}

// Saves; a form that refuses stays open, so it is closed for the test to go on.
void save(frmCadCaixa* form)
{
    control<QToolButton>(*form, "btnSalvar")->click();
    if (form->isVisible())
        form->reject();
}

} // namespace

class tst_EntryCommands : public QObject
{
    Q_OBJECT

private slots:
    // A cancelled add does not refresh the grid (nor edits a former entry);
    // a cancelled edit does refresh.
    void cancelledAddAndEdit()
    {
        CashBook book;
        frmPrincipal w(book.session);
        book.add("2026-12-05", "13:00:00", book.caixa, "Escondido", "1,00", "0,00");
        book.session.EditEntryId = book.last; // left over from an earlier edit
        book.session.EntrySaved = true;
        const auto add = watchForm();
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(*add);
        QVERIFY(!book.session.EntrySaved);
        QCOMPARE(book.session.EditEntryId, qint64(0));
        QCOMPARE(w.gridModel()->rowCount(), 6);

        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(0, 2));
        const auto edit = watchForm();
        emit grid->doubleClicked(grid->currentIndex());
        QVERIFY(*edit);
        QCOMPARE(w.gridModel()->rowCount(), 7);

        // On an empty grid Edit and Delete do nothing.
        control<QLineEdit>(w, "txtDia")->setText(u"01/01/2025"_s);
        w.Activate();
        const auto none = watchForm();
        control<QToolButton>(w, "btnEditar")->click();
        control<QToolButton>(w, "btnExcluir")->click();
        QTest::qWait(150);
        QVERIFY(!*none);
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void addAndSaveRefreshesGridAndPanel()
    {
        CashBook book;
        frmPrincipal w(book.session);
        whenModal<frmCadCaixa>([](frmCadCaixa* form) {
            QCOMPARE(control<QLineEdit>(*form, "txtDia")->text(), u"05/12/2026"_s);
            control<QComboBox>(*form, "cboConta")->setCurrentText(u"CAIXA"_s);
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(u"Sangria"_s);
            control<QLineEdit>(*form, "txtSaida")->setText(u"50,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(row(w, 6).section(u'|', 1), u"05/12/2026|14:03|CAIXA||Sangria|0,00|50,00|860,00"_s);
        QCOMPARE(panel(w), u"70,00|-10,00|160,00|100,00"_s);
        QCOMPARE(book.balanceOf(book.caixa), qint64(10850000));
    }

    // Edit opens on the selected row (the last one after a refresh), shows its
    // empty amount as "0,00", and keeps the stored seconds of an unchanged time.
    void editFillsTheFormAndKeepsTheSeconds()
    {
        CashBook book;
        frmPrincipal w(book.session);
        QString shown;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            shown = QStringList{control<QPlainTextEdit>(*form, "txtDescricao")->toPlainText(),
                                control<QLineEdit>(*form, "txtHora")->text(),
                                control<QComboBox>(*form, "cboConta")->currentText(),
                                control<QLineEdit>(*form, "txtNDoc")->text(),
                                control<QLineEdit>(*form, "txtEntrada")->text(),
                                control<QLineEdit>(*form, "txtSaida")->text()}.join(u'|');
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(u"Sem valor corrigido"_s);
            control<QLineEdit>(*form, "txtSaida")->setText(u"5,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnEditar")->click();
        QCOMPARE(shown, u"Sem valor|12:00|CAIXA|NF 9|0,00|0,00"_s);
        QCOMPARE(book.session.EditEntryId, book.last);
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(u"select hora || ' ' || saida from caixa where id = ?"_s, {book.last}).toString(),
                 u"12:00:45 50000"_s);
        QCOMPARE(w.gridModel()->cellText(5, EntryGridModel::Descricao), u"Sem valor corrigido"_s);
        QCOMPARE(book.balanceOf(book.caixa), qint64(11300000));
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 10);
    }

    // Delete asks first; the entry and its account's stored balance go
    // together or not at all; the Delete key does the same as the button.
    void deleteAsksAndRecomputesTheBalance()
    {
        CashBook book;
        frmPrincipal w(book.session);
        book.dialogs.answers = {Dialogs::Answer::No};
        control<QToolButton>(w, "btnExcluir")->click();
        QCOMPARE(std::tuple(book.dialogs.last().title, book.dialogs.last().text, book.dialogs.last().icon),
                 std::tuple(u"Excluir"_s, u"Tem certeza que deseja excluir o registro?"_s, Dialogs::Icon::Question));
        QCOMPARE(w.gridModel()->rowCount(), 6);

        book.exec(u"create trigger refuse before update on contas begin select raise(abort, 'saldo recusado'); end"_s);
        control<QToolButton>(w, "btnExcluir")->click();
        QVERIFY(book.dialogs.last().text.startsWith(u"Não foi possível excluir o lançamento:\nsaldo recusado"_s));
        QCOMPARE(book.scalar(u"select count(*) from caixa where id = ?"_s, {book.last}).toInt(), 1);

        book.exec(u"drop trigger refuse"_s);
        control<QToolButton>(w, "btnExcluir")->click();
        QCOMPARE(book.scalar(u"select count(*) from caixa where id = ?"_s, {book.last}).toInt(), 0);
        QCOMPARE(w.gridModel()->rowCount(), 5);
        QCOMPARE(book.balanceOf(book.caixa), qint64(11350000));

        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(1, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(column(w, EntryGridModel::Descricao), u"Venda|Compra|Venda cartão|Conta apagada"_s);
        QCOMPARE(book.balanceOf(book.banco), qint64(-2000000));
        QCOMPARE(panel(w), u"100,00|40,00|160,00|20,00"_s);
    }

    // A restricted user sees the day only, from the balance of everything
    // before the day (yesterday included); cannot change the day, edit or
    // delete; and adds entries for today only.
    void restrictedUser()
    {
        CashBook book;
        book.session.CurrentUser.userLevel = u"r"_s;
        frmPrincipal w(book.session);
        QCOMPARE(book.session.OpeningBalance.format(), u"870,00"_s);
        QCOMPARE(column(w, EntryGridModel::Saldo), u"850,00|900,00|910,00|910,00"_s);
        QCOMPARE(panel(w), u"-|40,00|160,00|50,00"_s);
        for (const char* name : {"btnAtivar", "btnEditar", "btnExcluir"})
            QVERIFY2(!control<QWidget>(w, name)->isEnabled(), name);
        QVERIFY(!control<QAction>(w, "mnuUsuarios")->isVisible() && !control<QAction>(w, "mnuOpcoes")->isVisible());
        QVERIFY(control<QLineEdit>(w, "txtDia")->isReadOnly() && control<QLineEdit>(w, "txtDias")->isReadOnly());
        auto* grid = control<QTableView>(w, "grade");
        const auto watch = watchForm();
        emit grid->doubleClicked(w.gridModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::qWait(150);
        QVERIFY(!*watch);
        QVERIFY(book.dialogs.shown.isEmpty());

        bool dateLocked = false;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            dateLocked = !control<QLineEdit>(*form, "txtDia")->isEnabled();
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(u"Venda do caixa 2"_s);
            control<QLineEdit>(*form, "txtEntrada")->setText(u"5,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(dateLocked);
        QCOMPARE(w.gridModel()->rowCount(), 5); // the day's four entries and the new one
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 11);
    }
};

LIVRO_TEST(tst_EntryCommands)
#include "tst_EntryCommands.moc"
