#include "CashBook.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "entries/frmCadCaixa.h"
#include "settings/frmOpcoes.h"
#include "users/frmCadUsuarios.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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
        100);
    return opened;
}

// Saves; a form that refuses stays open, so it is closed for the test to go on.
void save(frmCadCaixa* form)
{
    control<QToolButton>(*form, "btnSalvar")->click();
    if (form->isVisible())
        form->reject();
}

// What the entry form shows: description, account, time, document number,
// received and paid out.
QStringList boxTexts(frmCadCaixa& form)
{
    QStringList texts{control<QPlainTextEdit>(form, "txtDescricao")->toPlainText(),
                      control<QComboBox>(form, "cboConta")->currentText()};
    for (const char* name : {"txtHora", "txtNDoc", "txtEntrada", "txtSaida"})
        texts.append(control<QLineEdit>(form, name)->text());
    return texts;
}

// Presses keys on the focused widget and returns the text that tells which
// modal window they opened (closed at once): the entry form's description,
// or the window's class name; empty when none opened.
template <typename Window> QString opens(const std::function<void()>& keys)
{
    auto seen = std::make_shared<QString>();
    whenModal<Window>(
        [seen](Window* window) {
            if constexpr (std::is_same_v<Window, frmCadCaixa>)
                *seen =
                    u"form:"_s + control<QPlainTextEdit>(*window, "txtDescricao")->toPlainText();
            else
                *seen = QString::fromLatin1(window->metaObject()->className());
            window->reject();
        },
        20);
    keys();
    QTest::qWait(50);
    return *seen;
}

// A key on the focused widget, once the window has the focus back (after a
// modal window closed).
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTRY_VERIFY(QApplication::focusWidget() != nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

// The main window is active again once a modal window it opened has closed.
void backTo(QWidget& window)
{
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}
} // namespace

class tst_EntryCommands : public QObject
{
    Q_OBJECT

private slots:
    void aCancelledFormRefreshes_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::newRow("add") << false;
        QTest::newRow("edit") << true;
    }
    // A cancelled add neither refreshes the grid nor edits a former entry; an
    // edit refreshes the grid, saved or not.
    void aCancelledFormRefreshes()
    {
        QFETCH(bool, edit);
        CashBook book;
        frmPrincipal w(book.session);
        book.addEntry(u"2026-12-05"_s, u"09:00:00"_s, book.caixa, u"Escondido"_s, u"1,00"_s,
                      u"0,00"_s);
        book.session.EditEntryId = book.last; // left over from an earlier edit
        book.session.EntrySaved = true;
        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(0, 2));
        const auto opened = watchForm();
        if (edit)
            emit grid->doubleClicked(grid->currentIndex());
        else
            control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(*opened);
        QCOMPARE(w.gridModel()->rowCount(), edit ? 7 : 6);
    }

    // Edit opens on the selected row, which a refresh moves to the last one;
    // the form shows an empty amount as "0,00", and an unchanged time keeps
    // its stored seconds.
    void editOpensOnTheSelectedRow()
    {
        CashBook book;
        frmPrincipal w(book.session);
        control<QTableView>(w, "grade")->setCurrentIndex(w.gridModel()->index(0, 2));
        w.Activate();
        QStringList shown;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            shown = boxTexts(*form);
            control<QLineEdit>(*form, "txtSaida")->setText(u"5,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnEditar")->click();
        QCOMPARE(shown, items("Sem valor|CAIXA|12:00|NF 9|0,00|0,00"));
        QCOMPARE(book.firstRow(u"select hora, saida from caixa where id = ?"_s, {book.last}),
                 items("12:00:45|50000"));
    }

    // A saved add refreshes the grid, which shows the new entry at the clock's moment.
    void aSavedAddShowsTheNewEntry()
    {
        CashBook book;
        frmPrincipal w(book.session);
        whenModal<frmCadCaixa>([](frmCadCaixa* form) {
            control<QComboBox>(*form, "cboConta")->setCurrentText(u"CAIXA"_s);
            control<QPlainTextEdit>(*form, "txtDescricao")->setPlainText(u"Sangria"_s);
            control<QLineEdit>(*form, "txtSaida")->setText(u"50,00"_s);
            save(form);
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(row(w, 6).mid(1), items("05/12/2026|14:03|CAIXA||Sangria|0,00|50,00|860,00"));
    }

    // Delete asks first, by the button or the Delete key, naming the entry,
    // with "Não" on Enter; "Sim" deletes the selected entry, and its
    // account's stored balance follows; "Não" keeps it. The entry and the
    // balance go together or not at all: a refused write keeps both.
    void deletes_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("refused");
        QTest::newRow("button") << false << true << false;
        QTest::newRow("Delete key") << true << true << false;
        QTest::newRow("Não") << false << false << false;
        QTest::newRow("refused") << false << true << true;
    }
    void deletes()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, yes);
        QFETCH(bool, refused);
        CashBook book;
        frmPrincipal w(book.session);
        auto* grid = control<QTableView>(w, "grade");
        grid->setCurrentIndex(w.gridModel()->index(1, 0)); // "Luz", of the bank
        if (refused)
            book.exec(u"create trigger refuse before update on contas begin select "
                      "raise(abort, 'saldo recusado'); end"_s);
        book.dialogs.answers = {yes ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        if (byKey)
            QTest::keyClick(grid, Qt::Key_Delete);
        else
            control<QToolButton>(w, "btnExcluir")->click();
        const FakeDialogs::Shown& asked = book.dialogs.shown.constFirst();
        QCOMPARE(asked.title + u": "_s + asked.text,
                 u"Excluir: Tem certeza que deseja excluir o registro?"_s);
        QCOMPARE(asked.whatGoes,
                 u"Data: 04/12/2026 09:00\nConta: BANCO D'ÁVILA\nDescrição: Luz\nSaída: 30,00"_s);
        QCOMPARE(asked.defaultAnswer, Dialogs::Answer::No);
        QCOMPARE(book.dialogs.shown.size(), refused ? 2 : 1);
        if (refused)
            VERIFY_CONTAINS(book.dialogs.last().text,
                            u"Não foi possível excluir o lançamento:\nsaldo recusado"_s);
        const bool gone = yes && !refused;
        QCOMPARE(column(w, EntryGridModel::Descricao),
                 items(gone ? "Venda|Compra|Venda cartão|Conta apagada|Sem valor"
                            : "Venda|Luz|Compra|Venda cartão|Conta apagada|Sem valor"));
        QCOMPARE(book.balanceOf(book.banco), gone ? qint64(-2000000) : qint64(0));
    }

    void editAndDeleteDoNothingOnAnEmptyGrid()
    {
        CashBook book;
        frmPrincipal w(book.session);
        control<QLineEdit>(w, "txtDia")->setText(u"01/01/2025"_s);
        w.Activate();
        const auto none = watchForm();
        control<QToolButton>(w, "btnEditar")->click();
        control<QToolButton>(w, "btnExcluir")->click();
        QTest::qWait(150);
        QVERIFY(!*none);
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // A restricted user sees the day only, from the balance of everything
    // before the day (yesterday included); cannot change the day, edit,
    // delete or restore a backup; and adds entries for today only.
    void restrictedUser()
    {
        CashBook book;
        book.session.CurrentUser.userLevel = u"r"_s;
        frmPrincipal w(book.session);
        QCOMPARE(column(w, EntryGridModel::Saldo), items("850,00|900,00|910,00|910,00"));
        QCOMPARE(panel(w), items("-|40,00|160,00|50,00"));
        for (const char* name : {"btnAtivar", "btnEditar", "btnExcluir"})
            QVERIFY2(!control<QWidget>(w, name)->isEnabled(), name);
        for (const char* name : {"mnuUsuarios", "mnuOpcoes", "mnuRestaurar"})
            QVERIFY2(!control<QAction>(w, name)->isVisible(), name);
        for (const char* name : {"txtDia", "txtDias"})
            QVERIFY2(control<QLineEdit>(w, name)->isReadOnly(), name);
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
            form->reject();
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(dateLocked);
    }

    // The main window with the keyboard alone.
    // F1 and "Ajuda" open the guide beside the program in the browser. The
    // grid is one tab stop between "&Relatórios" and the three buttons.
    // Enter on a focused picture button presses it; Enter on a grid row edits
    // it and Insert adds an entry; Enter in the day box activates; Alt+U and
    // Alt+O open "Usuários" and "Opções".
    void tabEnterAndShortcuts()
    {
        CashBook book;
        frmPrincipal w(book.session);
        showActive(w);
        QTest::keyClick(control<QWidget>(w, "grade"), Qt::Key_F1);
        control<QAction>(w, "mnuAjuda")->trigger();
        const QUrl guide = QUrl::fromLocalFile(
            QDir(QCoreApplication::applicationDirPath()).filePath(u"guia/index.html"_s));
        QCOMPARE(book.dialogs.openedUrls, (QList<QUrl>{guide, guide}));

        control<QPushButton>(w, "btnRelatorios")->setFocus();
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"grade"_s);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"btnAdicionar"_s);

        control<QToolButton>(w, "btnAdicionar")->setFocus();
        QCOMPARE(opens<frmCadCaixa>([] { press(Qt::Key_Return); }), u"form:"_s);
        backTo(w);

        auto* grid = control<QTableView>(w, "grade");
        grid->setFocus();
        grid->setCurrentIndex(w.gridModel()->index(0, 0));
        QCOMPARE(opens<frmCadCaixa>([] { press(Qt::Key_Return); }), u"form:Venda"_s);
        backTo(w);
        grid->setFocus();
        QCOMPARE(opens<frmCadCaixa>([] { press(Qt::Key_Insert); }), u"form:"_s);
        backTo(w);

        auto* day = control<QLineEdit>(w, "txtDia");
        day->setFocus();
        day->setText(u"02/12/2026"_s);
        press(Qt::Key_Return);
        QCOMPARE(w.PeriodEnd(), QDate(2026, 12, 2));

        QCOMPARE(opens<frmCadUsuarios>([] { press(Qt::Key_U, Qt::AltModifier); }),
                 u"frmCadUsuarios"_s);
        backTo(w);
        QCOMPARE(opens<frmOpcoes>([] { press(Qt::Key_O, Qt::AltModifier); }), u"frmOpcoes"_s);
    }
};

LIVRO_TEST(tst_EntryCommands)
#include "tst_EntryCommands.moc"
