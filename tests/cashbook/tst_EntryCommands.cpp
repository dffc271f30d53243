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
    whenModal<frmCadCaixa>(
        [opened](frmCadCaixa* form) {
            *opened = true;
            form->reject();
        },
        10);
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
    // A cancelled add neither refreshes the grid nor edits a former entry; an
    // edit refreshes, saved or not. Edit opens on the selected row (the last
    // one after a refresh), shows its empty amount as "0,00", and keeps the
    // stored seconds of an unchanged time. Delete asks first; the entry and its
    // account's stored balance go together or not at all; the Delete key does
    // the same as the button. On an empty grid Edit and Delete do nothing.
    void addEditAndDelete()
    {
        CashBook book;
        frmPrincipal w(book.session);
        book.addEntry(u"2026-12-05"_s, u"09:00:00"_s, book.caixa, u"Escondido"_s, u"1,00"_s,
                      u"0,00"_s);
        book.session.EditEntryId = book.last; // left over from an earlier edit
        book.session.EntrySaved = true;
        const auto add = watchForm();
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(*add);
        QCOMPARE(w.gridModel()->rowCount(), 6);

        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(0, 2));
        const auto edit = watchForm();
        emit grid->doubleClicked(grid->currentIndex());
        QVERIFY(*edit);
        QCOMPARE(w.gridModel()->rowCount(), 7);

        QString shown;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            shown = QStringList{control<QPlainTextEdit>(*form, "txtDescricao")->toPlainText(),
                                control<QLineEdit>(*form, "txtHora")->text(),
                                control<QComboBox>(*form, "cboConta")->currentText(),
                                control<QLineEdit>(*form, "txtNDoc")->text(),
                                control<QLineEdit>(*form, "txtEntrada")->text(),
                                control<QLineEdit>(*form, "txtSaida")->text()}
                        .join(u'|');
            control<QLineEdit>(*form, "txtSaida")->setText(u"5,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnEditar")->click();
        QCOMPARE(shown, u"Sem valor|12:00|CAIXA|NF 9|0,00|0,00"_s);
        QCOMPARE(book.scalar(u"select hora || ' ' || saida from caixa where id = ?"_s, {book.last})
                     .toString(),
                 u"12:00:45 50000"_s);

        whenModal<frmCadCaixa>([](frmCadCaixa* form) {
            control<QComboBox>(*form, "cboConta")->setCurrentText(u"CAIXA"_s);
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(u"Sangria"_s);
            control<QLineEdit>(*form, "txtSaida")->setText(u"50,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(row(w, 7).section(u'|', 1),
                 u"05/12/2026|14:03|CAIXA||Sangria|0,00|50,00|856,00"_s);

        book.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes, Dialogs::Answer::Yes,
                                Dialogs::Answer::Yes};
        control<QToolButton>(w, "btnExcluir")->click();
        const FakeDialogs::Shown asked = book.dialogs.shown.value(0);
        QCOMPARE(std::tuple(asked.title, asked.text, asked.icon),
                 std::tuple(u"Excluir"_s, u"Tem certeza que deseja excluir o registro?"_s,
                            Dialogs::Icon::Question));
        const QString sangria = u"select count(*) from caixa where descricao = 'Sangria'"_s;
        book.exec(
            u"create trigger refuse before update on contas begin select raise(abort, 'saldo recusado'); end"_s);
        control<QToolButton>(w, "btnExcluir")->click();
        QVERIFY(book.dialogs.last().text.startsWith(
            u"Não foi possível excluir o lançamento:\nsaldo recusado"_s));
        QCOMPARE(book.scalar(sangria).toInt(), 1);
        book.exec(u"drop trigger refuse"_s);
        control<QToolButton>(w, "btnExcluir")->click();
        grid->setCurrentIndex(w.gridModel()->index(1, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(column(w, EntryGridModel::Descricao),
                 u"Venda|Escondido|Compra|Venda cartão|Conta apagada|Sem valor"_s);
        QCOMPARE(book.balanceOf(book.banco), qint64(-2000000));

        book.dialogs.clear();
        control<QLineEdit>(w, "txtDia")->setText(u"01/01/2025"_s);
        w.Activate();
        const auto none = watchForm();
        control<QToolButton>(w, "btnEditar")->click();
        control<QToolButton>(w, "btnExcluir")->click();
        QTest::qWait(150);
        QVERIFY(!*none && book.dialogs.shown.isEmpty());
    }

    // A restricted user sees the day only, from the balance of everything
    // before the day (yesterday included); cannot change the day, edit or
    // delete; and adds entries for today only.
    void restrictedUser()
    {
        CashBook book;
        book.session.CurrentUser.userLevel = u"r"_s;
        frmPrincipal w(book.session);
        QCOMPARE(column(w, EntryGridModel::Saldo), u"850,00|900,00|910,00|910,00"_s);
        QCOMPARE(panel(w), u"-|40,00|160,00|50,00"_s);
        for (const char* name : {"btnAtivar", "btnEditar", "btnExcluir"})
            QVERIFY2(!control<QWidget>(w, name)->isEnabled(), name);
        QVERIFY(!control<QAction>(w, "mnuUsuarios")->isVisible() &&
                !control<QAction>(w, "mnuOpcoes")->isVisible());
        QVERIFY(control<QLineEdit>(w, "txtDia")->isReadOnly() &&
                control<QLineEdit>(w, "txtDias")->isReadOnly());
        auto* grid = control<QTableView>(w, "grade");
        const auto watch = watchForm();
        emit grid->doubleClicked(w.gridModel()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::qWait(150);
        QVERIFY(!*watch && book.dialogs.shown.isEmpty());

        bool dateLocked = false;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            dateLocked = !control<QLineEdit>(*form, "txtDia")->isEnabled();
            form->reject();
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(dateLocked);
    }
};

LIVRO_TEST(tst_EntryCommands)
#include "tst_EntryCommands.moc"
