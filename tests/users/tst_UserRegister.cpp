#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "users/PasswordHash.h"
#include "users/UserStore.h"
#include "users/frmCadUsuarios.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

QLineEdit* box(frmCadUsuarios& w, const char* name)
{
    return control<QLineEdit>(w, name);
}

void fill(frmCadUsuarios& w, const QString& login, const QString& password)
{
    box(w, "txtNome")->setText(QStringLiteral("maria da silva"));
    box(w, "txtUsuario")->setText(login);
    box(w, "txtSenha")->setText(password);
    box(w, "txtConfSenha")->setText(password);
}

int rowOf(frmCadUsuarios& w, const QString& login)
{
    auto* grid = control<QTableWidget>(w, "grade");
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, 1)->text() == login)
            return r;
    }
    return -1;
}

} // namespace

class tst_UserRegister : public QObject
{
    Q_OBJECT

private slots:
    void saveChecksInOrder_data()
    {
        QTest::addColumn<QString>("emptied");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << "txtNome" << "Campo nome vazio." << "Informe um nome antes de continuar!" << "txtNome";
        QTest::newRow("login") << "txtUsuario" << "Campo usuário vazio." << "Informe um usuário antes de continuar!" << "txtUsuario";
        QTest::newRow("password") << "txtSenha" << "Campo senha vazio." << "Informe uma senha antes de continuar!" << "txtSenha";
        QTest::newRow("confirmation") << "txtConfSenha" << "Campo Confirma Senha vazio." << "Informe uma confirmação de senha antes de continuar!" << "txtConfSenha";
        QTest::newRow("different") << "different" << "Senhas não conferem" << "Os campos senha e confirma senha estão diferentes!" << "txtSenha";
        QTest::newRow("answer") << "txtRespostaSecreta" << "Campo Resposta Secreta vazio." << "Informe uma Resposta Secrecta antes de continuar!" << "txtPerguntaSecreta";
        QTest::newRow("hint") << "txtDicaSenha" << "Campo Dica de Senha vazio." << "Informe uma Dica de Senha antes de continuar!" << "txtDicaSenha";
    }
    void saveChecksInOrder()
    {
        QFETCH(QString, emptied);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        TestBook book;
        frmCadUsuarios w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        fill(w, QStringLiteral("maria"), QStringLiteral("segredo"));
        control<QComboBox>(w, "txtPerguntaSecreta")->setCurrentIndex(1);
        box(w, "txtRespostaSecreta")->setText(QStringLiteral("Dona Cida"));
        box(w, "txtDicaSenha")->setText(QStringLiteral("escola"));
        if (emptied == u"different")
            box(w, "txtConfSenha")->setText(QStringLiteral("segredo2"));
        else
            box(w, qPrintable(emptied))->setText(QStringLiteral("   "));
        w.save();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, title);
        QCOMPARE(book.dialogs.last().text, text);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QWidget* focused = QApplication::focusWidget();
        QVERIFY(focused);
        if (focus == u"txtPerguntaSecreta")
            QVERIFY(focused == control<QComboBox>(w, "txtPerguntaSecreta") || focused->parentWidget()->objectName() == focus);
        else
            QCOMPARE(focused->objectName(), focus);
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from usuarios")).toInt(), 0);
    }

    void withoutAQuestionAnswerAndHintAreOptional()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        fill(w, QStringLiteral("MARIA "), QStringLiteral("Segredo"));
        control<QCheckBox>(w, "ckUsuarioRestrito")->setChecked(true);
        w.save();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select usuario from usuarios")).toString(), QStringLiteral("maria"));
        QCOMPARE(book.scalar(QStringLiteral("select nome from usuarios")).toString(), QStringLiteral("Maria Da Silva"));
        QCOMPARE(book.scalar(QStringLiteral("select restrito from usuarios")).toInt(), 1);
        // The password as the register keeps it: trimmed and lower case.
        QVERIFY(UserStore(book.db).logIn(QStringLiteral("maria"), QStringLiteral("segredo")));
        // After a save the boxes are empty and the grid lists the user.
        QCOMPARE(box(w, "txtUsuario")->text(), QString());
        QCOMPARE(box(w, "txtSenha")->text(), QString());
        QVERIFY(!control<QCheckBox>(w, "ckUsuarioRestrito")->isChecked());
        QCOMPARE(rowOf(w, QStringLiteral("maria")), 0);
        QVERIFY(control<QTableWidget>(w, "grade")->isColumnHidden(0));
    }

    void loadingAUserShowsNoSecret()
    {
        TestBook book;
        UserStore::NewUser u{QStringLiteral("João Caixa"), QStringLiteral("joao"), QStringLiteral("caixa1"),
                             QStringLiteral("joao@loja.com.br"), QStringLiteral("Qual o nome da sua primeira professora?"),
                             QStringLiteral("dona cida"), QStringLiteral("escola"), true};
        QVERIFY(UserStore(book.db).save(u).ok());
        frmCadUsuarios w(book.session);
        box(w, "txtSenha")->setText(QStringLiteral("digitada"));
        w.loadUser(rowOf(w, QStringLiteral("joao")));
        QCOMPARE(box(w, "txtNome")->text(), QStringLiteral("João Caixa"));
        QCOMPARE(box(w, "txtEmail")->text(), QStringLiteral("joao@loja.com.br"));
        QCOMPARE(control<QComboBox>(w, "txtPerguntaSecreta")->currentText(), QStringLiteral("Qual o nome da sua primeira professora?"));
        QCOMPARE(box(w, "txtDicaSenha")->text(), QStringLiteral("escola"));
        QCOMPARE(box(w, "txtRespostaSecreta")->text(), QString());
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("digitada"));
        QVERIFY(control<QCheckBox>(w, "ckUsuarioRestrito")->isChecked());
        QVERIFY(control<QCheckBox>(w, "ckUsuarioRestrito")->isEnabled());
        // Saving again needs the answer typed again.
        box(w, "txtConfSenha")->setText(QStringLiteral("digitada"));
        w.save();
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Informe uma Resposta Secrecta antes de continuar!"));
    }

    void changedLoginNameAddsAUser()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        fill(w, QStringLiteral("maria"), QStringLiteral("um"));
        w.save();
        w.loadUser(rowOf(w, QStringLiteral("maria")));
        box(w, "txtUsuario")->setText(QStringLiteral("mariana"));
        box(w, "txtSenha")->setText(QStringLiteral("dois"));
        box(w, "txtConfSenha")->setText(QStringLiteral("dois"));
        w.save();
        QCOMPARE(control<QTableWidget>(w, "grade")->rowCount(), 2);
        // The same login again overwrites, without a warning.
        fill(w, QStringLiteral("maria"), QStringLiteral("tres"));
        w.save();
        QCOMPARE(control<QTableWidget>(w, "grade")->rowCount(), 2);
        QVERIFY(UserStore(book.db).logIn(QStringLiteral("maria"), QStringLiteral("tres")));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void theLoggedInUserIsProtected()
    {
        TestBook book;
        QVERIFY(UserStore(book.db).save({QStringLiteral("Maria"), QStringLiteral("maria"), QStringLiteral("x"), {}, {}, {}, {}, false}).ok());
        QVERIFY(UserStore(book.db).save({QStringLiteral("Joao"), QStringLiteral("joao"), QStringLiteral("y"), {}, {}, {}, {}, true}).ok());
        book.session.CurrentUser.userName = QStringLiteral("maria");
        frmCadUsuarios w(book.session);
        auto* grid = control<QTableWidget>(w, "grade");
        auto* restricted = control<QCheckBox>(w, "ckUsuarioRestrito");
        w.loadUser(rowOf(w, QStringLiteral("maria")));
        QVERIFY(!restricted->isEnabled());
        w.loadUser(rowOf(w, QStringLiteral("joao")));
        QVERIFY(restricted->isEnabled());

        grid->setCurrentCell(rowOf(w, QStringLiteral("maria")), 1);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Erro ao tentar excluir"));
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Atenção, não é possível excluir o usuário que esta logado, para isso deve logar em outro usuário e excluir."));
        QCOMPARE(grid->rowCount(), 2);

        grid->setCurrentCell(rowOf(w, QStringLiteral("joao")), 1);
        book.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Excluir..."));
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Tem certeza que deseja excluir o usuário?"));
        QCOMPARE(grid->rowCount(), 2);
        grid->setCurrentCell(rowOf(w, QStringLiteral("joao")), 1);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(book.scalar(QStringLiteral("select usuario from usuarios")).toString(), QStringLiteral("maria"));
        // Other keys do nothing.
        QTest::keyClick(grid, Qt::Key_X);
        QCOMPARE(grid->rowCount(), 1);
    }

    void boxesNormaliseAndEnterMovesOn()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* nome = box(w, "txtNome");
        nome->setFocus();
        QTest::keyClicks(nome, QStringLiteral("  ANA   maria SOUZA "));
        QTest::keyClick(nome, Qt::Key_Return);
        QCOMPARE(nome->text(), QStringLiteral("Ana   Maria Souza"));
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QTest::keyClicks(box(w, "txtUsuario"), QStringLiteral("ANA.MARIA.LONGO.DEMAIS"));
        QCOMPARE(box(w, "txtUsuario")->text().size(), 15);
        QTest::keyClick(box(w, "txtUsuario"), Qt::Key_Enter);
        QCOMPARE(box(w, "txtUsuario")->text(), QStringLiteral("ana.maria.longo"));
        QTest::keyClicks(box(w, "txtSenha"), QStringLiteral("ABCDEFGHIJKL"));
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("ABCDEFGHIJ"));
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Tab);
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("abcdefghij"));
        QCOMPARE(frmCadUsuarios::properCase(QStringLiteral("joão DA silva")), QStringLiteral("João Da Silva"));
        auto* question = control<QComboBox>(w, "txtPerguntaSecreta");
        QCOMPARE(question->count(), 4);
        QCOMPARE(question->itemText(0), QStringLiteral("Qual o nome do seu animal de extimação?"));
        QCOMPARE(question->itemText(3), QStringLiteral("Qual é o ano de seu casamento?"));
    }

    void refusedSaveKeepsTheBoxes()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        fill(w, QStringLiteral("maria"), QStringLiteral("segredo"));
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        w.save();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível gravar o usuário:")));
        QCOMPARE(box(w, "txtUsuario")->text(), QStringLiteral("maria"));
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("segredo"));
    }

    void cancelAndEscapeClose()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        w.show();
        control<QToolButton>(w, "btnCancelar")->click();
        QVERIFY(!w.isVisible());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }
};

LIVRO_TEST(tst_UserRegister)
#include "tst_UserRegister.moc"
