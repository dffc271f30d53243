#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "app/StoredSecrets.h"
#include "book/PasswordHash.h"
#include "book/UserStore.h"
#include "core/Product.h"
#include "users/frmCadUsuarios.h"
#include "users/frmLogin.h"
#include "users/frmUsuario.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// D'Ávila (common level, no question) and João (restricted, with a question).
// The hashes are made once for all tests: hashing is deliberately slow.
struct UsersBook : TestBook
{
    UsersBook()
    {
        static const QVariantList hashes{
            PasswordHash::hash(u"segredo"_s), PasswordHash::hash(u"caixa1"_s),
            PasswordHash::hash(UserStore::normalizedAnswer(u"Dona Cida"_s))};
        exec(
            u"insert into usuarios (nome, usuario, senha, restrito, pergunta, resposta, dica) "
            u"values "
            "('Ana', 'd''ávila', ?, 0, null, null, null), "
            "('Joao', 'joao', ?, 1, 'Qual o nome da sua primeira professora?', ?, 'o nome da escola')"_s,
            hashes);
    }
    QStringList logins() { return strings(u"select usuario from usuarios order by usuario"_s); }
};

QLineEdit* box(QWidget& w, const char* name)
{
    return control<QLineEdit>(w, name);
}

// Fills every register box as a user types them, with the second question.
void fillRegister(frmCadUsuarios& w, const QString& login, const QString& password)
{
    box(w, "txtNome")->setText(u"maria da silva"_s);
    box(w, "txtUsuario")->setText(login);
    box(w, "txtSenha")->setText(password);
    box(w, "txtConfSenha")->setText(password);
    control<QComboBox>(w, "txtPerguntaSecreta")->setCurrentIndex(1);
    box(w, "txtRespostaSecreta")->setText(u"Dona Cida"_s);
    box(w, "txtDicaSenha")->setText(u"escola"_s);
}

// How the messages point the user to help.
QString help(const char* email)
{
    return u"envie um email para %1 com sua dúvida."_s.arg(QLatin1String(email));
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
    whenModal<frmCadUsuarios>(
        [&](frmCadUsuarios* reg) {
            opened = true;
            reg->reject();
        },
        50);
    w.Login();
    QTest::qWait(100);
    return opened;
}

const QString kRefused = u"Erro ao tentar logar.: Nome de usuário ou senha incorretos!"_s;

} // namespace

// The user register, the login window and the password reminder.
class tst_Users : public QObject
{
    Q_OBJECT

private slots:
    // With every box blank, the checks fail in order: each message is the
    // one shown, the focus goes to its box and nothing is saved. Each step
    // then fills in the box its check wanted.
    void registerChecksInOrder()
    {
        TestBook book;
        frmCadUsuarios w(book.session);
        showActive(w);
        for (const char* name : {"txtNome", "txtUsuario", "txtSenha", "txtConfSenha",
                                 "txtRespostaSecreta", "txtDicaSenha"})
            box(w, name)->setText(u"   "_s);
        control<QComboBox>(w, "txtPerguntaSecreta")->setCurrentIndex(1);
        struct Check
        {
            const char *focus, *message, *fill, *with;
        };
        const Check checks[] = {
            {"txtNome", "Campo nome vazio.: Informe um nome antes de continuar!", "txtNome", "ana"},
            {"txtUsuario", "Campo usuário vazio.: Informe um usuário antes de continuar!",
             "txtUsuario", "ana"},
            {"txtSenha", "Campo senha vazio.: Informe uma senha antes de continuar!", "txtSenha",
             "segredo"},
            {"txtConfSenha",
             "Campo Confirma Senha vazio.: Informe uma confirmação de senha antes de continuar!",
             "txtConfSenha", "outra"},
            {"txtSenha", "Senhas não conferem: Os campos senha e confirma senha estão diferentes!",
             "txtConfSenha", "segredo"},
            {"txtPerguntaSecreta",
             "Campo Resposta Secreta vazio.: Informe uma Resposta Secrecta antes de continuar!",
             "txtRespostaSecreta", "azul"},
            {"txtDicaSenha",
             "Campo Dica de Senha vazio.: Informe uma Dica de Senha antes de continuar!",
             "txtDicaSenha", "cor"}};
        for (const Check& check : checks) {
            book.dialogs.clear();
            w.save();
            QCOMPARE(book.dialogs.messages(), QStringList{QString::fromUtf8(check.message)});
            QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
            QWidget* target = w.findChild<QWidget*>(QLatin1String(check.focus));
            QVERIFY2(QApplication::focusWidget() == target ||
                         target->isAncestorOf(QApplication::focusWidget()),
                     check.focus);
            QCOMPARE(book.scalar(u"select count(*) from usuarios"_s).toInt(), 0);
            box(w, check.fill)->setText(QString::fromUtf8(check.with));
        }
    }

    // A user is saved normalised, hashed, restricted (a column older books
    // lack), by login (another adds, the same overwrites); loaded, all but
    // the answer shows. A refused write is told and keeps the boxes.
    void theRegisterSavesByLogin()
    {
        TestBook book;
        book.exec(u"alter table usuarios drop column restrito"_s);
        UserStore store(book.db);
        frmCadUsuarios w(book.session);
        auto* restricted = control<QCheckBox>(w, "ckUsuarioRestrito");
        fillRegister(w, u"D'ÁVILA "_s, u"Segredo"_s);
        restricted->setChecked(true);
        w.save();
        QCOMPARE(book.firstRow(u"select nome, usuario, restrito from usuarios"_s),
                 items("Maria Da Silva|d'ávila|1"));
        const QByteArray bytes = fileBytes(book.bookPath()).toLower();
        QVERIFY(!bytes.contains("segredo") && !bytes.contains("dona cida"));
        // The password as the register keeps it (trimmed, lower case); the answer in any case.
        QVERIFY(store.logIn(u"d'ávila"_s, u"segredo"_s).value().has_value());
        QCOMPARE(store.checkAnswer(u"d'ávila"_s, u" DONA CIDA"_s).value().answer,
                 UserStore::Answer::Accepted);
        QVERIFY(box(w, "txtUsuario")->text().isEmpty() && !restricted->isChecked());

        box(w, "txtRespostaSecreta")->setText(u"Dona Cida"_s); // typed for another user
        w.loadUser(rowOf(w, u"d'ávila"_s));
        QCOMPARE((QStringList{box(w, "txtNome")->text(), box(w, "txtDicaSenha")->text(),
                              box(w, "txtRespostaSecreta")->text()}),
                 items("Maria Da Silva|escola|"));
        auto* question = control<QComboBox>(w, "txtPerguntaSecreta");
        QCOMPARE(question->currentText(), question->itemText(1));
        QVERIFY(restricted->isChecked() && restricted->isEnabled());

        box(w, "txtUsuario")->setText(u"mariana"_s);
        box(w, "txtSenha")->setText(u"dois"_s);
        box(w, "txtConfSenha")->setText(u"dois"_s);
        box(w, "txtRespostaSecreta")->setText(u"outra"_s);
        w.save();
        fillRegister(w, u"d'ávila"_s, u"tres"_s);
        w.save();
        QCOMPARE(control<QTableWidget>(w, "grade")->rowCount(), 2);
        QVERIFY(store.logIn(u"d'ávila"_s, u"tres"_s).value().has_value());
        QVERIFY(store.logIn(u"mariana"_s, u"dois"_s).value().has_value());
        QVERIFY(book.dialogs.shown.isEmpty());

        fillRegister(w, u"d'ávila"_s, u"quatro"_s);
        book.exec(u"PRAGMA query_only = ON"_s);
        w.save();
        QCOMPARE(book.dialogs.messages(),
                 QStringList(u"Erro: O livro de caixa não pode ser alterado (o arquivo ou a pasta "
                             "só permite leitura): o usuário não foi gravado."_s));
        VERIFY_CONTAINS(book.dialogs.last().details, u"readonly"_s);
        book.exec(u"PRAGMA query_only = OFF"_s);
        w.save();
        QVERIFY(store.logIn(u"d'ávila"_s, u"quatro"_s).value().has_value());
    }

    // Delete acts only on the row the user highlighted; after the grid is
    // refilled nothing is picked until the user picks again. The question
    // names the user and answers "Não" to Enter. The logged-in user can
    // neither be deleted nor change its own level.
    void deleteActsOnlyOnThePickedUser()
    {
        UsersBook book;
        book.session.CurrentUser.userName = u"joao"_s;
        frmCadUsuarios w(book.session);
        showActive(w);
        auto* grid = control<QTableWidget>(w, "grade");
        const auto pick = [grid](const QString& login) {
            const QRect cell = grid->visualItemRect(grid->findItems(login, Qt::MatchExactly)[0]);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        };
        QVERIFY(grid->selectionModel()->selectedRows().isEmpty());
        pick(u"d'ávila"_s);
        book.dialogs.answers = {Dialogs::Answer::No};
        QTest::keyClick(grid, Qt::Key_Delete);
        // The question's box took the focus; closing it gives it back to the
        // grid, which then has a current row but nothing highlighted: Delete
        // asks nothing and deletes nobody.
        control<QLineEdit>(w, "txtNome")->setFocus();
        grid->setFocus(Qt::ActiveWindowFocusReason);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.logins(), items("d'ávila|joao"));

        pick(u"d'ávila"_s);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.logins(), items("joao"));
        QCOMPARE(grid->rowCount(), 1);
        const FakeDialogs::Shown& asked = book.dialogs.last();
        QCOMPARE((QStringList{asked.title, asked.text, asked.whatGoes}),
                 items("Excluir...|Tem certeza que deseja excluir o usuário?|Usuário: d'ávila"));
        QCOMPARE(asked.defaultAnswer, Dialogs::Answer::No);

        pick(u"joao"_s);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(book.dialogs.messages().constLast(),
                 u"Erro ao tentar excluir: Atenção, não é possível excluir o usuário que esta "
                 "logado, para isso deve logar em outro usuário e excluir."_s);
        QCOMPARE(book.logins(), items("joao"));
        w.loadUser(rowOf(w, u"joao"_s));
        QVERIFY(!control<QCheckBox>(w, "ckUsuarioRestrito")->isEnabled());
    }

    // Empty boxes do nothing: no message, the focus back to the user box.
    // Leaving a box lower-cases it; spaces around never count. "Cancelar"
    // ends the program. Every login writes the name; "Lembrar de mim"
    // decides if it is shown next.
    void loginBoxes()
    {
        UsersBook book;
        frmLogin w(book.session);
        showActive(w);
        typeCredentials(w, u"d'ávila"_s, u"   "_s);
        control<QPushButton>(w, "btnLogin")->click();
        typeCredentials(w, QString(), u"segredo"_s);
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QVERIFY(book.dialogs.shown.isEmpty());
        QVERIFY(book.session.CurrentUser.userName.isEmpty());

        typeCredentials(w, u"  D'ÁVILA "_s, u"ERRADO"_s);
        QCOMPARE(box(w, "txtUsuario")->text(), u"d'ávila"_s);
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(book.dialogs.messages(), QStringList{kRefused});
        control<QCheckBox>(w, "ckLembrardeMim")->setChecked(true);
        box(w, "txtSenha")->setText(u" segredo  "_s);
        QTest::keyClick(box(w, "txtSenha"), Qt::Key_Return);
        QCOMPARE(book.session.CurrentUser.userName, u"d'ávila"_s);
        QCOMPARE(book.session.CurrentUser.userLevel, u"c"_s);
        QSignalSpy cancelled(&w, &frmLogin::cancelled);
        control<QPushButton>(w, "btnCancelar")->click();
        QCOMPARE(cancelled.count(), 1);

        frmLogin second(book.session);
        showActive(second);
        QCOMPARE(box(second, "txtUsuario")->text(), u"d'ávila"_s);
        QVERIFY(control<QCheckBox>(second, "ckLembrardeMim")->isChecked());
        control<QCheckBox>(second, "ckLembrardeMim")->setChecked(false);
        typeCredentials(second, u"joao"_s, u"CAIXA1"_s);
        second.Login();
        QCOMPARE(book.session.CurrentUser.userLevel, u"r"_s);
        QCOMPARE(book.strings(u"select usuario from opcoes"_s), items("joao"));
        frmLogin third(book.session);
        QVERIFY(box(third, "txtUsuario")->text().isEmpty());
        QVERIFY(!control<QCheckBox>(third, "ckLembrardeMim")->isChecked());
        QCOMPARE(book.dialogs.shown.size(), 1);
    }

    // A password is taken as the register stores it, however the box was
    // left: Tab out of it, or a click on the login area (Enter in the box:
    // loginBoxes).
    void thePasswordCountsTheSameWhateverTheFocusDid()
    {
        UsersBook book;
        for (const bool tabOut : {true, false}) {
            frmLogin w(book.session);
            showActive(w);
            QSignalSpy loggedIn(&w, &frmLogin::loggedIn);
            auto* password = box(w, "txtSenha");
            box(w, "txtUsuario")->setFocus();
            QTest::keyClicks(box(w, "txtUsuario"), u"joao"_s);
            QTest::keyClick(box(w, "txtUsuario"), Qt::Key_Tab);
            QTest::keyClicks(password, u" Caixa1"_s);
            if (tabOut)
                QTest::keyClick(password, Qt::Key_Tab);
            control<QPushButton>(w, "btnLogin")->click();
            QVERIFY2(book.dialogs.shown.isEmpty(), qPrintable(book.dialogs.texts().join(u'|')));
            QCOMPARE(loggedIn.count(), 1);
        }
    }

    // The maintenance credentials open the register only while no common-level user exists (a user
    // without a level, from older books, is one); otherwise they are an ordinary, failing attempt.
    void maintenanceLogin()
    {
        TestBook book;
        book.exec(u"insert into usuarios (usuario, senha, restrito) values ('joao', 'x', 1)"_s);
        frmLogin w(book.session);
        typeCredentials(w, u"mavro"_s, u"quelbanto"_s);
        QVERIFY(opensRegister(w));
        book.exec(u"insert into usuarios (usuario, senha, restrito) values ('velho', 'x', null)"_s);
        QVERIFY(!opensRegister(w));
        book.exec(u"update usuarios set restrito = 1 where usuario = 'velho'"_s);
        book.exec(u"insert into usuarios (usuario, senha, restrito) values ('maria', 'x', 0)"_s);
        QVERIFY(!opensRegister(w));
        QCOMPARE(book.dialogs.messages(), (QStringList{kRefused, kRefused, kRefused}));
    }

    // "Esqueci minha senha" needs a user who registered a question. The
    // reminder shows the question, and the hint only once the answer (any
    // case, spaces around) is accepted.
    void theReminderShowsTheHintOnceAnswered()
    {
        UsersBook book;
        frmLogin w(book.session);
        showActive(w);
        w.forgotPassword();
        QCOMPARE(QApplication::focusWidget(), box(w, "txtUsuario"));
        QStringList shown; // the question, then the hint after each answer
        for (const QString& who : {u"ninguem"_s, u"d'ávila"_s, u"JOAO"_s}) {
            box(w, "txtUsuario")->setText(who);
            whenModal<frmUsuario>([&](frmUsuario* reminder) {
                shown << control<QLabel>(*reminder, "lblLembrete")->text();
                for (const char* answer : {"", "Dona Cidx", "  DONA CIDA ", "Dona  Cida"}) {
                    box(*reminder, "txtRespostaSecreta")->setText(QString::fromUtf8(answer));
                    reminder->verify();
                    shown << box(*reminder, "txtDicaSenha")->text();
                }
                reminder->reject();
            });
            w.forgotPassword();
        }
        QCOMPARE(shown, (QStringList{u"Qual o nome da sua primeira professora?"_s, QString(),
                                     QString(), u"o nome da escola"_s, u"o nome da escola"_s}));
        const QString unknown =
            u"Opção inválida...: Usuário não localizado ou não cadastrou uma pergunta "
            "secreta.\nPara ajuda "_s +
            help(Product::contactEmail);
        const QString wrong =
            u"Opção inválida...: Resposta inválida, verifique e tente novamente.\nPara ajuda "_s +
            help(Product::supportEmail);
        const QString hint =
            u"Dica abaixo.: Dica cadastrada abaixo, caso não consiga lembrar de sua senha "
            "por esta dica "_s +
            help(Product::supportEmail);
        QCOMPARE(book.dialogs.messages(),
                 (QStringList{u"Campo vazio.: Informe um usuário válido antes de continuar!"_s,
                              unknown, unknown, wrong, hint, wrong}));
    }

    // Books from before hashing are converted when opened, and the same
    // users still get in; until then the text itself is compared with the
    // password as the register stores it (trimmed, lower case). The old text
    // must leave the file, free pages included: a compaction that fails (a
    // read still going on) is told and owed, and the next open compacts.
    void olderBookIsConverted()
    {
        TestBook book;
        book.exec(
            u"insert into usuarios (usuario, senha, pergunta, resposta, dica, restrito) values "
            "('maria', 'caixa1', null, null, null, 0), "
            "('joao', 'caixa1', 'Qual o nome da sua primeira professora?', ' Dona Cida', 'escola', 1)"_s);
        // Free pages, as the rewritten rows of a large book leave.
        book.exec(u"insert into caixa (descricao) values (zeroblob(40000))"_s);
        book.exec(u"delete from caixa"_s);
        UserStore store(book.db);
        QVERIFY(store.logIn(u"maria"_s, u" CAIXA1"_s).value().has_value());
        QVERIFY(!store.logIn(u"maria"_s, u"caixa2"_s).value().has_value());
        // This SQLite may zero freed space itself; without that only the vacuum removes the old
        // text.
        book.exec(u"PRAGMA secure_delete = OFF"_s);
        const QString owed = StoredSecrets::compactionOwedPath(book.bookPath());
        {
            QSqlQuery reading(book.db.database());
            QVERIFY(reading.exec(u"select usuario from usuarios"_s) && reading.next());
            StoredSecrets::protect(book.session);
        }
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"não pôde ser compactado"_s);
        VERIFY_CONTAINS(book.dialogs.last().text, u"tentará de novo"_s);
        VERIFY_CONTAINS(book.dialogs.last().details, u"VACUUM"_s);
        QVERIFY(QFile::exists(owed));
        QVERIFY(book.scalar(u"PRAGMA freelist_count"_s).toInt() > 0);
        // Two hashes of the same password differ: each has its own salt.
        QCOMPARE(
            book.scalar(
                    u"select count(distinct senha) from usuarios where senha like '$argon2id$%'"_s)
                .toInt(),
            2);

        QVERIFY(book.db.open(book.bookPath()).ok());
        StoredSecrets::protect(book.session);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(!QFile::exists(owed));
        // Neither the text nor its lower-case form is left (the answer is compared in lower case).
        const QByteArray bytes = fileBytes(book.bookPath()).toLower();
        QVERIFY(!bytes.contains("caixa1") && !bytes.contains("dona cida"));
        QVERIFY(store.logIn(u"joao"_s, u"caixa1"_s).value().value_or(UserStore::User()).restrito);
        QCOMPARE(store.checkAnswer(u"joao"_s, u"dona cida"_s).value().answer,
                 UserStore::Answer::Accepted);
        QCOMPARE(store.convertPlainTextSecrets().value(), 0);
    }
};

LIVRO_TEST(tst_Users)
#include "tst_Users.moc"
