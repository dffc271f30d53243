#include "CashBook.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "entries/frmCadCaixa.h"
#include "settings/frmOpcoes.h"
#include "users/frmCadUsuarios.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

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

// The main window with the keyboard alone.
class tst_Keyboard : public QObject
{
    Q_OBJECT

private slots:
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

LIVRO_TEST(tst_Keyboard)
#include "tst_Keyboard.moc"
