#include "TestBook.h"
#include "TestMain.h"
#include "users/PasswordHash.h"
#include "users/UserStore.h"

#include <QSqlQuery>
#include <QTest>

namespace {
UserStore::NewUser user(const QString& login, const QString& password, bool restricted = false)
{
    UserStore::NewUser u;
    u.nome = QStringLiteral("Maria Silva");
    u.usuario = login;
    u.senha = password;
    u.restrito = restricted;
    return u;
}
} // namespace

class tst_UserStore : public QObject
{
    Q_OBJECT

private slots:
    void hashes()
    {
        const QString a = PasswordHash::hash(QStringLiteral("segredo"));
        const QString b = PasswordHash::hash(QStringLiteral("segredo"));
        QVERIFY(a.startsWith(QStringLiteral("$argon2id$")));
        QVERIFY(a != b); // each with its own salt
        QVERIFY(PasswordHash::verify(a, QStringLiteral("segredo")));
        QVERIFY(!PasswordHash::verify(a, QStringLiteral("Segredo")));
        QVERIFY(!PasswordHash::verify(a, QStringLiteral("segredo ")));
        QVERIFY(!PasswordHash::verify(QString(), QString()));
        // Text written before hashing still compares, exactly.
        QVERIFY(PasswordHash::verify(QStringLiteral("caixa1"), QStringLiteral("caixa1")));
        QVERIFY(!PasswordHash::verify(QStringLiteral("caixa1"), QStringLiteral("CAIXA1")));
        QVERIFY(PasswordHash::verify(PasswordHash::hash(QStringLiteral("ação")), QStringLiteral("ação")));
    }

    void savesHashesNeverText()
    {
        TestBook book;
        UserStore store(book.db);
        UserStore::NewUser u = user(QStringLiteral("d'ávila"), QStringLiteral("segredo"));
        u.pergunta = QStringLiteral("Qual o nome do seu animal de extimação?");
        u.resposta = QStringLiteral("  Rex ");
        u.dica = QStringLiteral("cachorro");
        QVERIFY(store.save(u).ok());
        const QString senha = book.scalar(QStringLiteral("select senha from usuarios")).toString();
        const QString resposta = book.scalar(QStringLiteral("select resposta from usuarios")).toString();
        QVERIFY(PasswordHash::isHash(senha));
        QVERIFY(PasswordHash::isHash(resposta));
        QVERIFY(!fileBytes(book.bookPath()).contains("segredo"));

        const auto found = store.logIn(QStringLiteral("d'ávila"), QStringLiteral("segredo"));
        QVERIFY(found);
        QCOMPARE(found->nome, QStringLiteral("Maria Silva"));
        QVERIFY(!store.logIn(QStringLiteral("d'ávila"), QStringLiteral("errado")));
        QVERIFY(!store.logIn(QStringLiteral("ninguem"), QStringLiteral("segredo")));

        QString hint;
        QCOMPARE(store.checkAnswer(QStringLiteral("d'ávila"), QStringLiteral(" REX  "), &hint), UserStore::Answer::Accepted);
        QCOMPARE(hint, QStringLiteral("cachorro"));
        QCOMPARE(store.checkAnswer(QStringLiteral("d'ávila"), QStringLiteral("Rox"), &hint), UserStore::Answer::Refused);
        QCOMPARE(store.checkAnswer(QStringLiteral("outro"), QStringLiteral("rex"), &hint), UserStore::Answer::NoSuchUser);
    }

    void commonLevelUsers()
    {
        TestBook book;
        UserStore store(book.db);
        QCOMPARE(store.hasCommonLevelUser(), std::optional<bool>(false));
        QVERIFY(store.save(user(QStringLiteral("joao"), QStringLiteral("caixa1"), true)).ok());
        QCOMPARE(store.hasCommonLevelUser(), std::optional<bool>(false));
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, restrito) values ('velho', 'x', NULL)"));
        QCOMPARE(store.hasCommonLevelUser(), std::optional<bool>(true));
    }

    void olderTableGetsTheRestrictedColumn()
    {
        TestBook book;
        book.exec(QStringLiteral("alter table usuarios drop column restrito"));
        UserStore store(book.db);
        QVERIFY(store.save(user(QStringLiteral("joao"), QStringLiteral("caixa1"), true)).ok());
        QCOMPARE(book.scalar(QStringLiteral("select restrito from usuarios")).toInt(), 1);
    }

    void plainTextBooksAreConverted()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, pergunta, resposta, dica, restrito) "
                                 "values ('maria', 'segredo', NULL, NULL, NULL, 0), "
                                 "('joao', 'caixa1', 'Qual o nome da sua primeira professora?', 'Dona Cida', 'escola', 1)"));
        QVERIFY(fileBytes(book.bookPath()).contains("segredo"));
        UserStore store(book.db);
        QCOMPARE(store.convertPlainTextSecrets(), std::optional<int>(2));
        QSqlQuery q(book.db.database());
        QVERIFY(q.exec(QStringLiteral("select senha, resposta from usuarios order by id")));
        QVERIFY(q.next() && PasswordHash::isHash(q.value(0).toString()) && q.value(1).isNull());
        QVERIFY(q.next() && PasswordHash::isHash(q.value(0).toString()) && PasswordHash::isHash(q.value(1).toString()));
        q.finish();
        // The file no longer holds the old text anywhere, free pages included.
        const QByteArray bytes = fileBytes(book.bookPath());
        QVERIFY(!bytes.contains("segredo"));
        QVERIFY(!bytes.contains("caixa1"));
        QVERIFY(!bytes.contains("Dona Cida"));
        // The same users still get in, and the answer still works.
        QVERIFY(store.logIn(QStringLiteral("maria"), QStringLiteral("segredo")));
        QVERIFY(store.logIn(QStringLiteral("joao"), QStringLiteral("caixa1"))->restrito);
        QCOMPARE(store.checkAnswer(QStringLiteral("joao"), QStringLiteral("dona cida"), nullptr), UserStore::Answer::Accepted);
        // Once converted there is nothing left to do.
        QCOMPARE(store.convertPlainTextSecrets(), std::optional<int>(0));
    }

    void unconvertedAnswerStillChecks()
    {
        TestBook book;
        book.exec(QStringLiteral("insert into usuarios (usuario, senha, resposta, dica) values ('ana', 'x', ' Azul ', 'cor')"));
        UserStore store(book.db);
        QString hint;
        QCOMPARE(store.checkAnswer(QStringLiteral("ana"), QStringLiteral("AZUL"), &hint), UserStore::Answer::Accepted);
        QCOMPARE(hint, QStringLiteral("cor"));
        book.exec(QStringLiteral("update usuarios set resposta = NULL"));
        QCOMPARE(store.checkAnswer(QStringLiteral("ana"), QStringLiteral("x"), &hint), UserStore::Answer::Refused);
    }
};

LIVRO_TEST(tst_UserStore)
#include "tst_UserStore.moc"
