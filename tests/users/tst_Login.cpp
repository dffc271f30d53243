#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/Startup.h"
#include "entries/frmCadCaixa.h"
#include "users/UserStore.h"
#include "users/frmCadUsuarios.h"
#include "users/frmLogin.h"
#include "users/frmUsuario.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

void addUser(TestBook& book, const UserStore::NewUser& user)
{
    if (!UserStore(book.db).save(user))
        qFatal("could not add a test user");
}

// Maria (common level, no question) and João (restricted, with a question).
struct UsersBook : TestBook
{
    UsersBook()
    {
        addUser(*this, {QStringLiteral("Maria"), QStringLiteral("maria"), QStringLiteral("segredo"), {}, {}, {}, {}, false});
        addUser(*this, {QStringLiteral("Joao"), QStringLiteral("joao"), QStringLiteral("caixa1"), {},
                    QStringLiteral("Qual o nome da sua primeira professora?"), QStringLiteral("Dona Cida"),
                    QStringLiteral("o nome da escola"), true});
        LoadSettings(db, session.Settings);
    }
};

QLineEdit* box(frmLogin& w, const char* name)
{
    return control<QLineEdit>(w, name);
}

// Types into the login boxes as a user does: the user box loses the focus.
void typeCredentials(frmLogin& w, const QString& user, const QString& password)
{
    box(w, "txtUsuario")->setFocus();
    box(w, "txtUsuario")->setText(user);
    box(w, "txtSenha")->setFocus();
    box(w, "txtSenha")->setText(password);
}

void pressEnterInPassword(frmLogin& w)
{
    QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
}

} // namespace

class tst_Login : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_window.reset(); }

    void capitalsAndSpacesInTheUserName()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        QSignalSpy loggedIn(&w, &frmLogin::loggedIn);
        typeCredentials(w, QStringLiteral("  MARIA "), QStringLiteral(" segredo  "));
        QCOMPARE(box(w, "txtUsuario")->text(), QStringLiteral("maria"));
        pressEnterInPassword(w);
        QCOMPARE(loggedIn.count(), 1);
        QCOMPARE(book.session.CurrentUser.userName, QStringLiteral("maria"));
        QCOMPARE(book.session.CurrentUser.userLevel, QStringLiteral("c"));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void passwordCaseCountsWhenEnterIsPressed()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        QSignalSpy loggedIn(&w, &frmLogin::loggedIn);
        typeCredentials(w, QStringLiteral("maria"), QStringLiteral("SEGREDO"));
        pressEnterInPassword(w);
        QCOMPARE(loggedIn.count(), 0);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Erro ao tentar logar."));
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Nome de usuário ou senha incorretos!"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("SEGREDO"));
        QCOMPARE(book.session.CurrentUser.userName, QString());
        // Once the focus left the password box it is lower case, and accepted.
        box(w, "txtUsuario")->setFocus();
        control<QPushButton>(w, "btnLogin")->click();
        QCOMPARE(loggedIn.count(), 1);
    }

    void emptyFieldsDoNothing()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        QSignalSpy loggedIn(&w, &frmLogin::loggedIn);
        typeCredentials(w, QStringLiteral("maria"), QStringLiteral("   "));
        control<QPushButton>(w, "btnLogin")->click();
        typeCredentials(w, QString(), QStringLiteral("segredo"));
        pressEnterInPassword(w);
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(loggedIn.count(), 0);
    }

    void apostropheInTheLoginName()
    {
        UsersBook book;
        addUser(book, {QStringLiteral("Ana"), QStringLiteral("d'ávila"), QStringLiteral("x1"), {}, {}, {}, {}, false});
        book.session.CurrentUser.userLevel = QStringLiteral("r");
        frmLogin w(book.session);
        typeCredentials(w, QStringLiteral("d'ávila"), QStringLiteral("x1"));
        w.Login();
        QCOMPARE(book.session.CurrentUser.userName, QStringLiteral("d'ávila"));
        QCOMPARE(book.session.CurrentUser.userLevel, QStringLiteral("c"));
    }

    void rememberMeAcrossTwoStarts()
    {
        UsersBook book;
        {
            frmLogin w(book.session);
            show(w); // the name is lower-cased as the focus leaves its box
            control<QCheckBox>(w, "ckLembrardeMim")->setChecked(true);
            typeCredentials(w, QStringLiteral("Maria"), QStringLiteral("segredo"));
            w.Login();
        }
        QVERIFY(book.session.Settings.lembrar);
        {
            frmLogin w(book.session);
            QCOMPARE(box(w, "txtUsuario")->text(), QStringLiteral("maria"));
            QVERIFY(control<QCheckBox>(w, "ckLembrardeMim")->isChecked());
            control<QCheckBox>(w, "ckLembrardeMim")->setChecked(false);
            typeCredentials(w, QStringLiteral("joao"), QStringLiteral("caixa1"));
            w.Login();
        }
        // The name is written anyway; the flag decides whether it is shown.
        QCOMPARE(book.scalar(QStringLiteral("select usuario from opcoes")).toString(), QStringLiteral("joao"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes")).toInt(), 1);
        frmLogin w(book.session);
        QCOMPARE(box(w, "txtUsuario")->text(), QString());
    }

    void maintenanceLoginOnlyWithoutAnAdministrator()
    {
        TestBook book;
        addUser(book, {QStringLiteral("Joao"), QStringLiteral("joao"), QStringLiteral("caixa1"), {}, {}, {}, {}, true});
        bool opened = false;
        whenModal<frmCadUsuarios>([&](frmCadUsuarios* reg) {
            opened = true;
            reg->reject();
        });
        frmLogin w(book.session);
        typeCredentials(w, QStringLiteral("mavro"), QStringLiteral("quelbanto"));
        w.Login();
        QVERIFY(opened);
        // Then it is an ordinary attempt, which fails.
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Nome de usuário ou senha incorretos!"));

        addUser(book, {QStringLiteral("Maria"), QStringLiteral("maria"), QStringLiteral("segredo"), {}, {}, {}, {}, false});
        opened = false;
        whenModal<frmCadUsuarios>([&](frmCadUsuarios* reg) {
            opened = true;
            reg->reject();
        }, 20);
        w.Login();
        QTest::qWait(250);
        QVERIFY(!opened);
        QCOMPARE(book.dialogs.shown.size(), 2);
    }

    void cancelEndsTheProgram()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        QSignalSpy cancelled(&w, &frmLogin::cancelled);
        control<QPushButton>(w, "btnCancelar")->click();
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(!w.isVisible());
    }

    void reminderMessages()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        w.forgotPassword();
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Campo vazio."));
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Informe um usuário válido antes de continuar!"));
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        for (const QString& who : {QStringLiteral("ninguem"), QStringLiteral("maria")}) {
            box(w, "txtUsuario")->setText(who);
            w.forgotPassword();
            QCOMPARE(book.dialogs.last().title, QStringLiteral("Opção inválida..."));
            QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Information);
            QVERIFY(book.dialogs.last().text.startsWith(
                QStringLiteral("Usuário não localizado ou não cadastrou uma pergunta secreta.\nPara ajuda envie um email para ")));
            QVERIFY(book.dialogs.last().text.endsWith(QStringLiteral(" com sua dúvida.")));
        }
    }

    void reminderChecksTheAnswer()
    {
        UsersBook book;
        frmLogin w(book.session);
        box(w, "txtUsuario")->setText(QStringLiteral("JOAO"));
        QString question, hintBefore, hintAfterRefusal, hintAfterAcceptance, hintAfterLaterRefusal;
        whenModal<frmUsuario>([&](frmUsuario* reminder) {
            question = control<QLabel>(*reminder, "lblLembrete")->text();
            auto* answer = control<QLineEdit>(*reminder, "txtRespostaSecreta");
            auto* hint = control<QLineEdit>(*reminder, "txtDicaSenha");
            reminder->verify(); // empty: nothing
            answer->setText(QStringLiteral("Dona Cidx"));
            reminder->verify();
            hintAfterRefusal = hint->text();
            answer->setText(QStringLiteral("  DONA CIDA "));
            reminder->verify();
            hintAfterAcceptance = hint->text();
            answer->setText(QStringLiteral("Dona  Cida"));
            reminder->verify();
            hintAfterLaterRefusal = hint->text();
            reminder->reject();
        });
        w.forgotPassword();
        QCOMPARE(question, QStringLiteral("Qual o nome da sua primeira professora?"));
        QCOMPARE(book.dialogs.shown.size(), 3);
        QCOMPARE(book.dialogs.shown.at(0).icon, Dialogs::Icon::Critical);
        QCOMPARE(book.dialogs.shown.at(0).title, QStringLiteral("Opção inválida..."));
        QVERIFY(book.dialogs.shown.at(0).text.startsWith(QStringLiteral("Resposta inválida, verifique e tente novamente.\nPara ajuda envie um email para ")));
        QCOMPARE(hintAfterRefusal, QString());
        QCOMPARE(book.dialogs.shown.at(1).title, QStringLiteral("Dica abaixo."));
        QVERIFY(book.dialogs.shown.at(1).text.startsWith(QStringLiteral("Dica cadastrada abaixo, caso não consiga lembrar de sua senha por esta dica envie um email para ")));
        QCOMPARE(hintAfterAcceptance, QStringLiteral("o nome da escola"));
        QCOMPARE(hintAfterLaterRefusal, QStringLiteral("o nome da escola"));
        // The two addresses differ: support for answers, contact for unknown users.
        box(w, "txtUsuario")->setText(QStringLiteral("ninguem"));
        w.forgotPassword();
        QVERIFY(book.dialogs.last().text.section(u' ', -4, -4) != book.dialogs.shown.at(1).text.section(u' ', -4, -4));
    }

    void disableLoginFromTheCommandLine()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada) values (1, '255')"));
        book.db.close();
        QProcess program;
        program.start(QStringLiteral(LIVRO_PROGRAM), {QStringLiteral("--disable-login"), QStringLiteral("--data-dir"), book.dir()});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QString::fromUtf8(program.readAllStandardOutput()).contains(QStringLiteral("desligado")));
        QVERIFY(book.db.open(book.bookPath()).ok());
        QCOMPARE(book.scalar(QStringLiteral("select susuario from opcoes")).toInt(), 0);
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
    }

    void restrictedCashierEndToEnd()
    {
        UsersBook book;
        const qint64 caixa = book.addAccount(QStringLiteral("CAIXA"));
        book.addEntry(QStringLiteral("2026-12-04"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Ontem"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Hoje"), QStringLiteral("10,00"), QStringLiteral("0,00"));
        frmLogin login(book.session);
        connect(&login, &frmLogin::loggedIn, this, [&] { m_window = std::make_unique<frmPrincipal>(book.session); });
        typeCredentials(login, QStringLiteral("joao"), QStringLiteral("caixa1"));
        login.Login();
        QVERIFY(m_window);
        frmPrincipal& w = *m_window;
        QCOMPARE(w.gridModel()->rowCount(), 1);
        QCOMPARE(w.gridModel()->cellText(0, EntryGridModel::Saldo), QStringLiteral("110,00"));
        QCOMPARE(control<QLabel>(w, "lblSaldoOntem")->text(), QStringLiteral("-"));
        QVERIFY(!control<QToolButton>(w, "btnEditar")->isEnabled());
        QVERIFY(!control<QToolButton>(w, "btnExcluir")->isEnabled());
        QVERIFY(!control<QAction>(w, "mnuUsuarios")->isVisible());
        QVERIFY(!control<QAction>(w, "mnuOpcoes")->isVisible());
        bool dateLocked = false;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) {
            dateLocked = !control<QLineEdit>(*form, "txtDia")->isEnabled();
            form->reject();
        });
        control<QToolButton>(w, "btnAdicionar")->click();
        QVERIFY(dateLocked);
    }

private:
    static void show(QWidget& w)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    std::unique_ptr<frmPrincipal> m_window;
};

LIVRO_TEST(tst_Login)
#include "tst_Login.moc"
