#include "Controls.h"
#include "SearchBook.h"
#include "TestMain.h"

#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace {

// The main window over a search book, shown and active, as a user has it.
struct MainWindow
{
    explicit MainWindow(SearchBook& book) : window(book.session)
    {
        LoadSettings(book.db, book.session.Settings);
        showActive(window);
    }
    // Ctrl+F, as the user presses it; the search window once it is in front.
    QDialog* openSearch()
    {
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qFatal("the main window did not become active");
        QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        auto* search = window.findChild<QDialog*>(u"EntrySearchWindow"_s);
        // A window over an active one counts as active for Qt's own wait.
        if (!search || !QTest::qWaitFor([&] { return QApplication::activeWindow() == search; }))
            qFatal("no search window");
        return search;
    }
    // The main grid's current entry.
    qint64 currentEntry() const
    {
        const auto* grid = control<QTableView>(*window.centralWidget(), "grade");
        return window.gridModel()->rows().id(grid->currentIndex().row());
    }
    frmPrincipal window;
};

QString rows(const QDialog& search, int column = 4)
{
    const QAbstractItemModel* model = control<QTableView>(search, "grade")->model();
    QStringList texts;
    for (int r = 0; r < model->rowCount(); ++r)
        texts.append(model->index(r, column).data().toString());
    return texts.join(u'|');
}

QString countText(const QDialog& search)
{
    return control<QLabel>(search, "lblEncontrados")->text();
}

} // namespace

class tst_SearchWindow : public QObject
{
    Q_OBJECT

private slots:
    // With the keyboard alone: Ctrl+F, type, Enter, arrow down to a result,
    // Enter; the main window activates that day with one day before it and
    // selects the entry, and the search stays open for the next one, which
    // a double click opens. (The menu item: the closing windows' test.)
    void findAndOpenWithTheKeyboard()
    {
        SearchBook book;
        MainWindow main(book);
        QDialog* search = main.openSearch();
        auto* txtTexto = control<QLineEdit>(*search, "txtTexto");
        QVERIFY(txtTexto->hasFocus());
        QTest::keyClicks(txtTexto, u"AGUA"_s);
        QTest::keyClick(txtTexto, Qt::Key_Return);
        QTRY_COMPARE(rows(*search), u"ÁGUA MINERAL|Nota fiscal da água|Luz e água"_s);
        QCOMPARE(rows(*search, 0) + u' ' + rows(*search, 2),
                 u"05/12/2026|10/03/2026|31/12/2025 FORNECEDORES|BANCO D'ÁVILA|FORNECEDORES"_s);
        QCOMPARE(countText(*search), u"3 lançamentos encontrados."_s);

        auto* grade = control<QTableView>(*search, "grade");
        QTest::keyClick(txtTexto, Qt::Key_Down);
        QVERIFY(grade->hasFocus());
        QTest::keyClick(grade, Qt::Key_Down);
        QTest::keyClick(grade, Qt::Key_Return);
        QCOMPARE(std::pair(main.window.PeriodStart(), main.window.PeriodEnd()),
                 std::pair(QDate(2026, 3, 9), QDate(2026, 3, 10)));
        QCOMPARE(main.currentEntry(), book.nota);
        QVERIFY(search->isVisible());

        const QRect first = grade->visualRect(grade->model()->index(0, 1));
        QTest::mouseClick(grade->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(grade->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(main.window.PeriodEnd(), QDate(2026, 12, 5));
        QCOMPARE(main.currentEntry(), book.agua);

        // Ctrl+F again brings the same window back.
        search->close();
        QCOMPARE(main.openSearch(), search);
    }

    // The results follow the typing after a pause, without Enter, and follow
    // the account chosen with the keyboard; an empty search clears them.
    // Beyond the first results the window says how many were found in all.
    void resultsFollowTheTyping()
    {
        SearchBook book;
        book.exec(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 600) "
                  "insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                  "select ?, '2026-06-01', '08:00:00', 'Venda ' || i, 10000, 0 from n"_s,
                  {book.caixa});
        MainWindow main(book);
        QDialog* search = main.openSearch();
        const QString prompt = u"Digite palavras, um valor ou um período, ou escolha uma conta."_s;
        QCOMPARE(countText(*search), prompt);
        auto* txtTexto = control<QLineEdit>(*search, "txtTexto");
        QTest::keyClicks(txtTexto, u"luz"_s);
        QCOMPARE(rows(*search), QString()); // not before the pause
        QTRY_COMPARE(rows(*search), u"Conta de luz|Luz e água"_s);
        auto* cboConta = control<QComboBox>(*search, "cboConta");
        QTest::keyClick(cboConta, Qt::Key_Down);
        QCOMPARE(cboConta->currentText(), u"BANCO D'ÁVILA"_s);
        QTRY_COMPARE(rows(*search), u"Conta de luz"_s);
        QTest::keyClick(cboConta, Qt::Key_Up);
        txtTexto->selectAll();
        QTest::keyClick(txtTexto, Qt::Key_Backspace);
        QTRY_COMPARE(countText(*search), prompt);
        QCOMPARE(rows(*search), QString());
        QTest::keyClicks(txtTexto, u"venda"_s);
        QTRY_COMPARE(countText(*search),
                     u"601 lançamentos encontrados; mostrando os 500 mais recentes."_s);
        QCOMPARE(control<QTableView>(*search, "grade")->model()->rowCount(), 500);
    }

    // A box that cannot be read is explained at Enter, with the box focused
    // and its text kept; while typing it is only noted below the results.
    void badInputIsExplainedAndKept()
    {
        SearchBook book;
        MainWindow main(book);
        QDialog* search = main.openSearch();
        auto* txtDe = control<QLineEdit>(*search, "txtDe");
        auto* txtAte = control<QLineEdit>(*search, "txtAte");
        auto* txtValor = control<QLineEdit>(*search, "txtValor");
        const auto enterIn = [&](QLineEdit* box, const QString& typed) {
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, typed);
            QTest::keyClick(box, Qt::Key_Return);
        };
        const QList<std::tuple<QLineEdit*, QString, QString>> refused{
            {txtDe, u"31022026"_s, u"A data inicial não é uma data válida."_s},
            {txtDe, u"01122026"_s, QString()},
            {txtAte, u"30112026"_s, u"A data final é anterior à data inicial."_s},
            {txtAte, u"05122026"_s, QString()},
            {txtValor, u"abc"_s, u"O valor não é um valor válido (por exemplo, 1.234,56)."_s},
            {txtValor, u"0"_s, u"O valor deve ser maior que zero."_s},
        };
        for (const auto& [box, typed, problem] : refused) {
            book.dialogs.clear();
            enterIn(box, typed);
            QCOMPARE(box->text().remove(u'/'), typed);
            if (problem.isEmpty()) {
                QCOMPARE(book.dialogs.messages(), QStringList());
                continue;
            }
            QCOMPARE(book.dialogs.messages(), QStringList{u"Localizar lançamentos: "_s + problem});
            QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Exclamation);
            QVERIFY(box->hasFocus());
        }
        // Typing, paused: noted, not asked.
        const qsizetype asked = book.dialogs.shown.size();
        txtValor->selectAll();
        QTest::keyClicks(txtValor, u"30,0x"_s);
        QTRY_COMPARE(countText(*search),
                     u"O valor não é um valor válido (por exemplo, 1.234,56)."_s);
        QCOMPARE(book.dialogs.shown.size(), asked);
        QTest::keyClick(txtValor, Qt::Key_End);
        QTest::keyClick(txtValor, Qt::Key_Backspace);
        QTest::keyClick(txtValor, Qt::Key_Return);
        QTRY_COMPARE(rows(*search), u"ÁGUA MINERAL"_s);
    }

    // A restricted user searches only the day the main grid shows: the day
    // boxes hold it and cannot be changed.
    void restrictedUserSearchesTheActiveDay()
    {
        SearchBook book;
        book.session.CurrentUser = {u"maria"_s, u"r"_s};
        MainWindow main(book);
        QDialog* search = main.openSearch();
        for (const char* name : {"txtDe", "txtAte"}) {
            auto* box = control<QLineEdit>(*search, name);
            QCOMPARE(std::pair(box->text(), box->isEnabled()), std::pair(u"05/12/2026"_s, false));
        }
        QTRY_COMPARE(rows(*search), u"Venda balcão|ÁGUA MINERAL"_s);
        auto* txtTexto = control<QLineEdit>(*search, "txtTexto");
        QTest::keyClicks(txtTexto, u"agua"_s);
        QTest::keyClick(txtTexto, Qt::Key_Return);
        QTRY_COMPARE(rows(*search), u"ÁGUA MINERAL"_s);
        QTest::keyClick(txtTexto, Qt::Key_Down);
        QTest::keyClick(control<QTableView>(*search, "grade"), Qt::Key_Return);
        QCOMPARE(main.currentEntry(), book.agua);
    }
};

LIVRO_TEST(tst_SearchWindow)
#include "tst_SearchWindow.moc"
