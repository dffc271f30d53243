#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/UserStore.h"
#include "users/frmCadUsuarios.h"
#include "users/frmLogin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Three users, listed ana, joao, o'brien; every password is "segredo1".
struct ThreeUsers : TestBook
{
    ThreeUsers()
    {
        UserStore store(db);
        for (const QString& login : {u"joao"_s, u"o'brien"_s, u"ana"_s}) {
            UserStore::NewUser user;
            user.nome = login;
            user.usuario = login;
            user.senha = u"segredo1"_s;
            if (Status saved = store.save(user); !saved)
                qFatal("%s", qPrintable(saved.reason()));
        }
    }
    QStringList logins() { return strings(u"select usuario from usuarios order by usuario"_s); }
};

void pick(QTableWidget* grid, const QString& login)
{
    const auto found = grid->findItems(login, Qt::MatchExactly);
    QVERIFY(found.size() == 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(found.first()).center());
}

} // namespace

class tst_UserSafety : public QObject
{
    Q_OBJECT

private slots:
    // Delete acts only on the row the user highlighted; after the grid is
    // refilled nothing is picked until the user picks again. The question
    // names the user and answers "Não" to Enter.
    void deleteActsOnlyOnThePickedUser()
    {
        ThreeUsers book;
        frmCadUsuarios w(book.session);
        showActive(w);
        auto* grid = control<QTableWidget>(w, "grade");
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());

        pick(grid, u"o'brien"_s);
        book.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());

        // The question's box took the focus; closing it gives it back to the
        // grid, which then has a current row but nothing highlighted: Delete
        // asks nothing and deletes nobody.
        control<QLineEdit>(w, "txtNome")->setFocus();
        grid->setFocus(Qt::ActiveWindowFocusReason);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.logins(), items("ana|joao|o'brien"));

        pick(grid, u"o'brien"_s);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.logins(), items("ana|joao"));
        QCOMPARE(grid->rowCount(), 2);
        const FakeDialogs::Shown& asked = book.dialogs.last();
        QCOMPARE(asked.title + u": "_s + asked.text,
                 u"Excluir...: Tem certeza que deseja excluir o usuário?"_s);
        QCOMPARE(asked.whatGoes, u"Usuário: o'brien"_s);
        QCOMPARE(asked.defaultAnswer, Dialogs::Answer::No);
    }

    // A password is taken as the register stores it, however the box was
    // left: Enter in the box, Tab out of it, or a click on the login area.
    void thePasswordCountsTheSameWhateverTheFocusDid_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter in the box") << u"enter"_s;
        QTest::newRow("Tab, then the login area") << u"tab"_s;
        QTest::newRow("the login area") << u"click"_s;
    }
    void thePasswordCountsTheSameWhateverTheFocusDid()
    {
        QFETCH(QString, how);
        ThreeUsers book;
        frmLogin w(book.session);
        showActive(w);
        QSignalSpy loggedIn(&w, &frmLogin::loggedIn);
        auto* user = control<QLineEdit>(w, "txtUsuario");
        auto* password = control<QLineEdit>(w, "txtSenha");
        user->setFocus();
        QTest::keyClicks(user, u"ana"_s);
        QTest::keyClick(user, Qt::Key_Tab);
        QTest::keyClicks(password, u" Segredo1"_s);
        if (how == u"enter") {
            QTest::keyClick(password, Qt::Key_Return);
        } else {
            if (how == u"tab")
                QTest::keyClick(password, Qt::Key_Tab);
            control<QPushButton>(w, "btnLogin")->click();
        }
        QVERIFY2(book.dialogs.shown.isEmpty(), qPrintable(book.dialogs.texts().join(u'|')));
        QCOMPARE(loggedIn.count(), 1);
        QCOMPARE(book.session.CurrentUser.userName, u"ana"_s);
    }
};

LIVRO_TEST(tst_UserSafety)
#include "tst_UserSafety.moc"
