#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/Product.h"
#include "core/Startup.h"
#include "entries/frmCadCaixa.h"
#include "users/PasswordHash.h"
#include "users/StoredSecrets.h"
#include "users/UserStore.h"
#include "users/frmCadUsuarios.h"
#include "users/frmLogin.h"
#include "users/frmUsuario.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

namespace {

// D'Ávila (common level, no question) and João (restricted, with a question).
// The hashes are made once for all tests: hashing is deliberately slow.
struct UsersBook : TestBook
{
    UsersBook()
    {
        static const QVariantList hashes{PasswordHash::hash(QStringLiteral("segredo")),
                                         PasswordHash::hash(QStringLiteral("caixa1")),
                                         PasswordHash::hash(UserStore::normalizedAnswer(QStringLiteral("Dona Cida")))};
        exec(QStringLiteral("insert into usuarios (nome, usuario, senha, restrito, pergunta, resposta, dica) values "
                            "('Ana', 'd''ávila', ?, 0, null, null, null), "
                            "('Joao', 'joao', ?, 1, 'Qual o nome da sua primeira professora?', ?, 'o nome da escola')"),
             hashes);
        LoadSettings(db, session.Settings);
    }
};

QLineEdit* box(QWidget& w, const char* name)
{
    return control<QLineEdit>(w, name);
}

void show(QWidget& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// Every message shown so far, as "title: text".
QStringList messages(const FakeDialogs& dialogs)
{
    QStringList list;
    for (const FakeDialogs::Shown& shown : dialogs.shown)
        list << shown.title + QStringLiteral(": ") + shown.text;
    return list;
}

// Fills every register box as a user types them, with the second question.
void fillRegister(frmCadUsuarios& w, const QString& login, const QString& password)
{
    box(w, "txtNome")->setText(QStringLiteral("maria da silva"));
    box(w, "txtUsuario")->setText(login);
    box(w, "txtSenha")->setText(password);
    box(w, "txtConfSenha")->setText(password);
    control<QComboBox>(w, "txtPerguntaSecreta")->setCurrentIndex(1);
    box(w, "txtRespostaSecreta")->setText(QStringLiteral("Dona Cida"));
    box(w, "txtDicaSenha")->setText(QStringLiteral("escola"));
}

int rowOf(frmCadUsuarios& w, const QString& login)
{
    const auto items = control<QTableWidget>(w, "grade")->findItems(login, Qt::MatchExactly);
    return items.size() == 1 ? items.first()->row() : -1;
}

// Types into the login boxes as a user does: the user box loses the focus.
void typeCredentials(frmLogin& w, const QString& user, const QString& password)
{
    box(w, "txtUsuario")->setFocus();
    box(w, "txtUsuario")->setText(user);
    box(w, "txtSenha")->setFocus();
    box(w, "txtSenha")->setText(password);
}

// Whether a login attempt opens the user register (which is then closed).
bool opensRegister(frmLogin& w)
{
    bool opened = false;
    whenModal<frmCadUsuarios>([&](frmCadUsuarios* reg) { opened = true; reg->reject(); }, 5);
    w.Login();
    QTest::qWait(100);
    return opened;
}

const QString kRefused = QStringLiteral("Erro ao tentar logar.: Nome de usuário ou senha incorretos!");

} // namespace

// The user register, the login window and the password reminder.
class tst_Users : public QObject
{
    Q_OBJECT

private slots:
    // The checked box fails, and so does every later one: its message is the
    // one shown, the focus goes to its box and nothing is saved.
    void registerChecksInOrder_data()
    {
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << 0 << "Campo nome vazio.: Informe um nome antes de continuar!" << "txtNome";
        QTest::newRow("login") << 1 << "Campo usuário vazio.: Informe um usuário antes de continuar!" << "txtUsuario";
        QTest::newRow("password") << 2 << "Campo senha vazio.: Informe uma senha antes de continuar!" << "txtSenha";
        QTest::newRow("confirmation") << 3 << "Campo Confirma Senha vazio.: Informe uma confirmação de senha antes de continuar!" << "txtConfSenha";
        QTest::newRow("different") << 4 << "Senhas não conferem: Os campos senha e confirma senha estão diferentes!" << "txtSenha";
        QTest::newRow("answer") << 5 << "Campo Resposta Secreta vazio.: Informe uma Resposta Secrecta antes de continuar!" << "txtPerguntaSecreta";
        QTest::newRow("hint") << 6 << "Campo Dica de Senha vazio.: Informe uma Dica de Senha antes de continuar!" << "txtDicaSenha";
    }
    void registerChecksInOrder()
    {
        QFETCH(int, check);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        TestBook book;
        frmCadUsuarios w(book.session);
        show(w);
        fillRegister(w, QStringLiteral("maria"), QStringLiteral("segredo"));
        const char* spoiled[] = {"txtNome", "txtUsuario", "txtSenha", "txtConfSenha", nullptr, "txtRespostaSecreta", "txtDicaSenha"};
        // Blank boxes, and for the check of different passwords a different confirmation.
        for (int k = 6; k >= check; --k)
            box(w, spoiled[k] ? spoiled[k] : "txtConfSenha")->setText(spoiled[k] ? QStringLiteral("   ") : QStringLiteral("outra"));
        w.save();
        QCOMPARE(messages(book.dialogs), QStringList{message});
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QWidget* target = w.findChild<QWidget*>(focus);
        QVERIFY(QApplication::focusWidget() == target || target->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from usuarios")).toInt(), 0);
    }

    // Saving by login name: normalised boxes, the restricted flag (adding the
    // column older books lack), hashes only in the file; a stored answer is
    // never shown; a changed login adds a user, the same login overwrites;
    // a refused write is reported and keeps the boxes.
    void registerSaves()
    {
        TestBook book;
        book.exec(QStringLiteral("alter table usuarios drop column restrito"));
        UserStore store(book.db);
        frmCadUsuarios w(book.session);
        auto* restricted = control<QCheckBox>(w, "ckUsuarioRestrito");
        auto* question = control<QComboBox>(w, "txtPerguntaSecreta");
        fillRegister(w, QStringLiteral("D'ÁVILA "), QStringLiteral("Segredo"));
        restricted->setChecked(true);
        w.save();
        QCOMPARE(book.scalar(QStringLiteral("select nome || '|' || usuario || '|' || restrito from usuarios")).toString(),
                 QStringLiteral("Maria Da Silva|d'ávila|1"));
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from usuarios where senha like '$argon2id$%' "
                                            "and resposta like '$argon2id$%'")).toInt(), 1);
        const QByteArray bytes = fileBytes(book.bookPath()).toLower();
        QVERIFY(!bytes.contains("segredo") && !bytes.contains("dona cida"));
        // The password as the register keeps it (trimmed, lower case); the answer in any case.
        QVERIFY(store.logIn(QStringLiteral("d'ávila"), QStringLiteral("segredo")));
        QCOMPARE(store.checkAnswer(QStringLiteral("d'ávila"), QStringLiteral(" DONA CIDA"), nullptr), UserStore::Answer::Accepted);
        QVERIFY(box(w, "txtUsuario")->text().isEmpty() && !restricted->isChecked());

        box(w, "txtSenha")->setText(QStringLiteral("dois"));
        w.loadUser(rowOf(w, QStringLiteral("d'ávila")));
        QCOMPARE(box(w, "txtNome")->text() + u'|' + question->currentText() + u'|' + box(w, "txtDicaSenha")->text(),
                 QStringLiteral("Maria Da Silva|") + question->itemText(1) + QStringLiteral("|escola"));
        QCOMPARE(box(w, "txtRespostaSecreta")->text(), QString());
        QVERIFY(restricted->isChecked() && restricted->isEnabled());
        box(w, "txtUsuario")->setText(QStringLiteral("mariana"));
        box(w, "txtConfSenha")->setText(QStringLiteral("dois"));
        w.save();
        box(w, "txtRespostaSecreta")->setText(QStringLiteral("outra"));
        w.save();
        QCOMPARE(control<QTableWidget>(w, "grade")->rowCount(), 2);

        fillRegister(w, QStringLiteral("d'ávila"), QStringLiteral("tres"));
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        w.save();
        QCOMPARE(box(w, "txtSenha")->text(), QStringLiteral("tres"));
        book.exec(QStringLiteral("PRAGMA query_only = OFF"));
        w.save();
        QCOMPARE(control<QTableWidget>(w, "grade")->rowCount(), 2);
        QVERIFY(store.logIn(QStringLiteral("d'ávila"), QStringLiteral("tres")));
        const QStringList shown = messages(book.dialogs);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0), QStringLiteral("Campo Resposta Secreta vazio.: Informe uma Resposta Secrecta antes de continuar!"));
        QVERIFY(shown.at(1).startsWith(QStringLiteral("Erro: Não foi possível gravar o usuário:\n")));
    }

    // The logged-in user can neither be deleted nor change its own level;
    // another user is deleted with the Delete key once the question is
    // answered yes. The name box is normalised as the focus leaves it, Enter
    // moves on like Tab, and Esc or "Cancelar" close the window.
    void registerWindow()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, restrito) values ('maria', 'x', 0), ('joao', 'y', 1)"));
        book.session.CurrentUser.userName = QStringLiteral("maria");
        frmCadUsuarios w(book.session);
        show(w);
        auto* grid = control<QTableWidget>(w, "grade");
        auto* restricted = control<QCheckBox>(w, "ckUsuarioRestrito");
        w.loadUser(rowOf(w, QStringLiteral("maria")));
        QVERIFY(!restricted->isEnabled());
        w.loadUser(rowOf(w, QStringLiteral("joao")));
        QVERIFY(restricted->isEnabled());
        book.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        for (const QString& login : {QStringLiteral("maria"), QStringLiteral("joao"), QStringLiteral("joao")}) {
            grid->setCurrentCell(rowOf(w, login), 1);
            QTest::keyClick(grid, Qt::Key_Delete);
        }
        const QString ask = QStringLiteral("Excluir...: Tem certeza que deseja excluir o usuário?");
        QCOMPARE(messages(book.dialogs),
                 (QStringList{QStringLiteral("Erro ao tentar excluir: Atenção, não é possível excluir o usuário que esta "
                                             "logado, para isso deve logar em outro usuário e excluir."), ask, ask}));
        QCOMPARE(book.scalar(QStringLiteral("select group_concat(usuario) from usuarios")).toString(), QStringLiteral("maria"));
        QCOMPARE(grid->rowCount(), 1);

        auto* nome = box(w, "txtNome");
        nome->setFocus();
        QTest::keyClicks(nome, QStringLiteral("  ANA   maria SOUZA "));
        QTest::keyClick(nome, Qt::Key_Return);
        QCOMPARE(nome->text(), QStringLiteral("Ana   Maria Souza"));
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        w.show();
        control<QToolButton>(w, "btnCancelar")->click();
        QVERIFY(!w.isVisible());
    }

    // Empty login boxes do nothing. The user box is lower-cased as the focus
    // leaves it; the password keeps its case when Enter is pressed in its box
    // and is lower-cased when the focus leaves it; spaces around never count.
    // Every login writes the name; "Lembrar de mim" decides whether the next
    // start shows it.
    void loginWindow()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        typeCredentials(w, QStringLiteral("d'ávila"), QStringLiteral("   "));
        control<QPushButton>(w, "btnLogin")->click();
        typeCredentials(w, QString(), QStringLiteral("segredo"));
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QVERIFY(book.dialogs.shown.isEmpty());

        control<QCheckBox>(w, "ckLembrardeMim")->setChecked(true);
        typeCredentials(w, QStringLiteral("  D'ÁVILA "), QStringLiteral("SEGREDO"));
        QCOMPARE(box(w, "txtUsuario")->text(), QStringLiteral("d'ávila"));
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(messages(book.dialogs), QStringList{kRefused});
        box(w, "txtSenha")->setText(QStringLiteral(" segredo  "));
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(book.session.CurrentUser.userName + u'|' + book.session.CurrentUser.userLevel, QStringLiteral("d'ávila|c"));

        frmLogin second(book.session);
        show(second);
        QCOMPARE(box(second, "txtUsuario")->text(), QStringLiteral("d'ávila"));
        QVERIFY(control<QCheckBox>(second, "ckLembrardeMim")->isChecked());
        control<QCheckBox>(second, "ckLembrardeMim")->setChecked(false);
        typeCredentials(second, QStringLiteral("joao"), QStringLiteral("CAIXA1"));
        box(second, "txtUsuario")->setFocus();
        control<QPushButton>(second, "btnLogin")->click();
        QCOMPARE(book.session.CurrentUser.userName + u'|' + book.session.CurrentUser.userLevel, QStringLiteral("joao|r"));
        QCOMPARE(book.scalar(QStringLiteral("select group_concat(usuario) from opcoes")).toString(), QStringLiteral("joao"));
        QCOMPARE(book.dialogs.shown.size(), 1);

        frmLogin third(book.session);
        QVERIFY(box(third, "txtUsuario")->text().isEmpty() && !control<QCheckBox>(third, "ckLembrardeMim")->isChecked());
        // "Cancelar" ends the program.
        QSignalSpy cancelled(&third, &frmLogin::cancelled);
        control<QPushButton>(third, "btnCancelar")->click();
        QCOMPARE(cancelled.count(), 1);
    }

    // The maintenance credentials open the register only while no user of
    // the common level exists (a user of an older book without a level is
    // one); otherwise they are an ordinary, failing attempt.
    void maintenanceLogin()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, restrito) values ('joao', 'x', 1)"));
        frmLogin w(book.session);
        typeCredentials(w, QStringLiteral("mavro"), QStringLiteral("quelbanto"));
        QVERIFY(opensRegister(w));
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, restrito) values ('velho', 'x', null)"));
        QVERIFY(!opensRegister(w));
        book.exec(QStringLiteral("update usuarios set restrito = 1 where usuario = 'velho'"));
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, restrito) values ('maria', 'x', 0)"));
        QVERIFY(!opensRegister(w));
        QCOMPARE(messages(book.dialogs), (QStringList{kRefused, kRefused, kRefused}));
    }

    // "Esqueci minha senha": its messages, then the reminder, which shows the
    // hint only once the answer (any case, spaces around) is accepted.
    void passwordReminder()
    {
        UsersBook book;
        frmLogin w(book.session);
        show(w);
        w.forgotPassword();
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        for (const QString& who : {QStringLiteral("ninguem"), QStringLiteral("d'ávila")}) {
            box(w, "txtUsuario")->setText(who);
            whenModal<frmUsuario>([](frmUsuario* unexpected) { unexpected->reject(); }, 0);
            w.forgotPassword();
        }
        QTest::qWait(50);
        QString question;
        QStringList hints;
        whenModal<frmUsuario>([&](frmUsuario* reminder) {
            question = control<QLabel>(*reminder, "lblLembrete")->text();
            for (const char* answer : {"", "Dona Cidx", "  DONA CIDA ", "Dona  Cida"}) {
                box(*reminder, "txtRespostaSecreta")->setText(QString::fromUtf8(answer));
                reminder->verify();
                hints << box(*reminder, "txtDicaSenha")->text();
            }
            reminder->reject();
        });
        box(w, "txtUsuario")->setText(QStringLiteral("JOAO"));
        w.forgotPassword();
        QCOMPARE(question, QStringLiteral("Qual o nome da sua primeira professora?"));
        QCOMPARE(hints, (QStringList{QString(), QString(), QStringLiteral("o nome da escola"), QStringLiteral("o nome da escola")}));
        const QString help = QStringLiteral("\nPara ajuda envie um email para %1 com sua dúvida.");
        const QString unknown = QStringLiteral("Opção inválida...: Usuário não localizado ou não cadastrou uma "
                                               "pergunta secreta.") + help.arg(QLatin1String(Product::contactEmail));
        const QString wrong = QStringLiteral("Opção inválida...: Resposta inválida, verifique e tente novamente.")
            + help.arg(QLatin1String(Product::supportEmail));
        const QString hint = QStringLiteral("Dica abaixo.: Dica cadastrada abaixo, caso não consiga lembrar de sua "
                                            "senha por esta dica envie um email para %1 com sua dúvida.")
                                 .arg(QLatin1String(Product::supportEmail));
        QCOMPARE(messages(book.dialogs),
                 (QStringList{QStringLiteral("Campo vazio.: Informe um usuário válido antes de continuar!"), unknown,
                              unknown, wrong, hint, wrong}));
    }

    // Books written before hashing are converted when opened: nothing of the
    // old text is left in the file, free pages included, and the same users
    // still get in. Until then the text itself is compared, exactly.
    void olderBookIsConverted()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, pergunta, resposta, dica, restrito) values "
                                 "('maria', 'caixa1', null, null, null, 0), "
                                 "('joao', 'caixa1', 'Qual o nome da sua primeira professora?', ' Dona Cida', 'escola', 1)"));
        UserStore store(book.db);
        QVERIFY(store.logIn(QStringLiteral("maria"), QStringLiteral("caixa1")));
        QVERIFY(!store.logIn(QStringLiteral("maria"), QStringLiteral("CAIXA1")));
        QVERIFY(fileBytes(book.bookPath()).contains("Dona Cida"));
        // This SQLite may zero freed space itself; without that only the vacuum removes the old text.
        book.exec(QStringLiteral("PRAGMA secure_delete = OFF"));
        StoredSecrets::protect(book.session);
        QVERIFY(book.dialogs.shown.isEmpty());
        // Two hashes of the same password differ: each has its own salt.
        QCOMPARE(book.scalar(QStringLiteral("select count(distinct senha) from usuarios where senha like '$argon2id$%'")).toInt(), 2);
        QVERIFY(PasswordHash::isHash(book.scalar(QStringLiteral("select resposta from usuarios where usuario = 'joao'")).toString()));
        const QByteArray bytes = fileBytes(book.bookPath());
        QVERIFY(!bytes.contains("caixa1") && !bytes.contains("Dona Cida"));

        QVERIFY(store.logIn(QStringLiteral("joao"), QStringLiteral("caixa1")).value_or(UserStore::User()).restrito);
        QCOMPARE(store.checkAnswer(QStringLiteral("joao"), QStringLiteral("dona cida"), nullptr), UserStore::Answer::Accepted);
        QCOMPARE(store.convertPlainTextSecrets(), std::optional<int>(0));
    }

    // Whoever holds the data folder can switch login off from the command line.
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
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
    }

    // A restricted cashier who logs in sees only the day, with "-" for
    // yesterday, and cannot edit, delete, change the date or reach users and settings.
    void restrictedCashierEndToEnd()
    {
        UsersBook book;
        const qint64 caixa = book.addAccount(QStringLiteral("CAIXA"));
        book.addEntry(QStringLiteral("2026-12-04"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Ontem"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), caixa, QStringLiteral("Hoje"), QStringLiteral("10,00"), QStringLiteral("0,00"));
        std::unique_ptr<frmPrincipal> window;
        frmLogin login(book.session);
        connect(&login, &frmLogin::loggedIn, &login, [&] { window = std::make_unique<frmPrincipal>(book.session); });
        typeCredentials(login, QStringLiteral("joao"), QStringLiteral("caixa1"));
        login.Login();
        QVERIFY(window);
        QCOMPARE(window->gridModel()->rowCount(), 1);
        QCOMPARE(window->gridModel()->cellText(0, EntryGridModel::Saldo), QStringLiteral("110,00"));
        QCOMPARE(control<QLabel>(*window, "lblSaldoOntem")->text(), QStringLiteral("-"));
        QVERIFY(!control<QToolButton>(*window, "btnEditar")->isEnabled() && !control<QToolButton>(*window, "btnExcluir")->isEnabled());
        QVERIFY(!control<QAction>(*window, "mnuUsuarios")->isVisible() && !control<QAction>(*window, "mnuOpcoes")->isVisible());
        bool dateLocked = false;
        whenModal<frmCadCaixa>([&](frmCadCaixa* form) { dateLocked = !box(*form, "txtDia")->isEnabled(); form->reject(); });
        control<QToolButton>(*window, "btnAdicionar")->click();
        QVERIFY(dateLocked);
    }
};

LIVRO_TEST(tst_Users)
#include "tst_Users.moc"
