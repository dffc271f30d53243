#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"
#include "reports/frmRel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The texts of a column of the register's grid, top to bottom.
QStringList gridColumn(frmCadConta& w, int column)
{
    auto* grid = control<QTableWidget>(w, "grade");
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts.append(grid->item(r, column)->text());
    return texts;
}

QStringList listItems(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->itemText(i));
    return texts;
}

void typeAndLaunch(frmCadConta& w, const QString& text)
{
    control<QLineEdit>(w, "txtConta")->setText(text);
    control<QPushButton>(w, "cmdLancar")->click();
}

void pressDelete(frmCadConta& w, int row)
{
    auto* grid = control<QTableWidget>(w, "grade");
    grid->setCurrentCell(row, 1);
    QTest::keyClick(grid, Qt::Key_Delete);
}

// A double-click on the row of that name, as a rename starts.
void doubleClick(frmCadConta& w, const QString& name)
{
    auto* grid = control<QTableWidget>(w, "grade");
    const auto found = grid->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    grid->setCurrentCell(found.first()->row(), 1);
    emit grid->cellDoubleClicked(found.first()->row(), 1);
}

// CASA (1), with two entries that leave it at 70,00, and AÇÃO D'ÁVILA (2), with none.
struct AccountsBook : TestBook
{
    AccountsBook()
    {
        addAccount(u"CASA"_s);
        addAccount(u"AÇÃO D'ÁVILA"_s);
        addEntry(u"2026-12-01"_s, u"08:00:00"_s, 1, u"x"_s, u"100,00"_s, u"0,00"_s);
        addEntry(u"2026-11-01"_s, u"08:00:00"_s, 1, u"x"_s, u"0,00"_s, u"30,00"_s);
    }
};

// Accounts as another tool may have written them: accents, mixed case and an
// apostrophe, stored in no particular order.
struct MixedNames : TestBook
{
    MixedNames()
    {
        for (const QString& name :
             {u"ÔNIBUS"_s, u"banco"_s, u"ZEBRA"_s, u"D'ÁVILA"_s, u"Casa"_s, u"ÁGUA"_s, u"agenda"_s})
            addAccount(name);
        LoadSettings(db, session.Settings);
    }
};

} // namespace

// The account register, and the accounts as every list shows them.
class tst_Accounts : public QObject
{
    Q_OBJECT

private slots:
    // With the keyboard alone: the focus starts in the grid, one tab stop
    // before the name box, "&Lançar" and "&Cancelar". Names are stored
    // trimmed and upper-case, never twice: a blank or existing name is
    // ignored without a message. The new account is the highlighted last
    // row; Delete names the account and answers "Não" to Enter.
    void namesWithTheKeyboard()
    {
        TestBook book;
        frmCadConta w(book.session);
        showActive(w);
        auto* grid = control<QTableWidget>(w, "grade");
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order, items("grade|txtConta|cmdLancar|Command1"));

        auto* box = control<QLineEdit>(w, "txtConta");
        box->setFocus();
        QTest::keyClicks(box, u"  banco central "_s);
        grid->setFocus();
        QCOMPARE(box->text(), u"BANCO CENTRAL"_s);
        box->setText(u" casa "_s);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), QString());
        typeAndLaunch(w, u"casa"_s);
        QCOMPARE(box->text(), u"CASA"_s);
        typeAndLaunch(w, u"   "_s);
        box->setText(u"ação d'ávila"_s);
        control<QPushButton>(w, "cmdLancar")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(book.strings(u"select id || ' ' || descricao || ' ' || saldo from contas"_s),
                 items("1 CASA 0|2 AÇÃO D'ÁVILA 0"));
        QVERIFY(grid->selectionModel()->isRowSelected(1, {}));
        QVERIFY(book.dialogs.shown.isEmpty());

        book.dialogs.answers = {Dialogs::Answer::No};
        pressDelete(w, 0);
        QCOMPARE(book.dialogs.last().whatGoes, u"Conta: CASA"_s);
        QCOMPARE(book.dialogs.last().defaultAnswer, Dialogs::Answer::No);
        control<QPushButton>(w, "Command1")->click();
        QVERIFY(!w.isVisible());
    }

    // A double-click renames, keeping the id and so the entries; another
    // account's name, even in other capitals ("casa" for "Casa", as another
    // tool stored it), is ignored and the rename goes on, while "Casa" itself
    // may take the register's capitals. Outside a rename "casa" creates
    // nothing; the next name creates.
    void aDoubleClickRenames()
    {
        MixedNames book;
        frmCadConta w(book.session);
        typeAndLaunch(w, u"casa"_s);
        doubleClick(w, u"banco"_s);
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), u"banco"_s);
        typeAndLaunch(w, u"casa"_s);
        typeAndLaunch(w, u"zebra"_s);
        QVERIFY(w.isRenaming());
        typeAndLaunch(w, u"banco central"_s);
        control<QLineEdit>(w, "txtConta")->clear();
        doubleClick(w, u"Casa"_s);
        typeAndLaunch(w, u"casa"_s);
        QVERIFY(!w.isRenaming());
        typeAndLaunch(w, u"novo"_s);
        QCOMPARE(
            book.strings(u"select id || ' ' || descricao from contas where id in (2, 3, 5, 8)"_s),
            items("2 BANCO CENTRAL|3 ZEBRA|5 CASA|8 NOVO"));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // The entry form and the report window list the accounts in the book's
    // one order, as a Brazilian reader orders them (case and accents do not
    // part names), and the entry form preselects its first name.
    void everyListIsInBrazilianOrder()
    {
        MixedNames book;
        const QStringList order = items("agenda|ÁGUA|banco|Casa|D'ÁVILA|ÔNIBUS|ZEBRA");
        frmCadCaixa form(book.session, 0);
        const auto* formList = control<QComboBox>(form, "cboConta");
        QCOMPARE(listItems(formList), order);
        QCOMPARE(formList->currentText(), u"agenda"_s);
        frmRel report(book.session);
        QCOMPARE(listItems(control<QComboBox>(report, "cboConta")),
                 QStringList{u"Todas"_s} + order);
    }

    // The grid shows each account's balance. Delete is refused while entries
    // use the account; an unused account is deleted once the user says "Sim".
    void deleteAsksFirst()
    {
        AccountsBook book;
        frmCadConta w(book.session);
        QCOMPARE(gridColumn(w, 2), items("70,00|0,00")); // the balances
        pressDelete(w, 0);
        QCOMPARE(book.dialogs.messages(),
                 QStringList{u"Erro: Não é possível excluir esta conta pois existem registros "
                             "lançados que fazem referência a mesma!"_s});
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        book.dialogs.clear();
        book.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        pressDelete(w, 1);
        QCOMPARE(book.dialogs.messages(),
                 QStringList{u"Excluir: Tem certeza que deseja excluir o registro?"_s});
        QCOMPARE(gridColumn(w, 1), items("CASA|AÇÃO D'ÁVILA"));
        pressDelete(w, 1);
        QCOMPARE(gridColumn(w, 1), items("CASA"));
        QCOMPARE(book.strings(u"select descricao from contas"_s), items("CASA"));
    }

    // A refused write is told in plain words, the database's own text in the
    // details; the name stays.
    void refusedWritesAreReported()
    {
        AccountsBook book;
        frmCadConta w(book.session);
        book.exec(u"PRAGMA query_only = ON"_s);
        typeAndLaunch(w, u"caixa"_s);
        QVERIFY2(
            book.dialogs.last().text.endsWith(u"só permite leitura): a conta não foi criada."_s) &&
                book.dialogs.last().details.startsWith(u"attempt to write a readonly database"_s),
            qPrintable(book.dialogs.last().text));
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), u"CAIXA"_s);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        pressDelete(w, 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"a conta não foi excluída."_s);
        QCOMPARE(book.dialogs.shown.size(), 3);
    }

    // A restricted user may create accounts but neither rename nor delete
    // one: a rename rewrites the history of every entry and report under it.
    void restrictedUsersOnlyCreate()
    {
        AccountsBook book;
        book.session.CurrentUser = {u"joao"_s, u"r"_s};
        frmCadConta w(book.session);
        doubleClick(w, u"AÇÃO D'ÁVILA"_s);
        QVERIFY(!w.isRenaming());
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), QString());
        VERIFY_CONTAINS(book.dialogs.last().text, u"não podem renomear nem excluir"_s);
        pressDelete(w, 1);
        QCOMPARE(book.dialogs.shown.size(), 2); // told again, nothing asked
        QCOMPARE(book.dialogs.last().buttons, Dialogs::Buttons::Ok);
        typeAndLaunch(w, u"banco"_s);
        QCOMPARE(book.strings(u"select descricao from contas order by id"_s),
                 items("CASA|AÇÃO D'ÁVILA|BANCO"));
    }
};

LIVRO_TEST(tst_Accounts)
#include "tst_Accounts.moc"
