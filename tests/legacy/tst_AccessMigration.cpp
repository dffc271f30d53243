#include "LegacyTestSupport.h"
#include "users/PasswordHash.h"
#include "users/UserStore.h"
#include "TestBook.h"
#include "TestMain.h"

#include <QFile>
#include <QJsonArray>
#include <QSqlQuery>
#include <QTest>

#include <unistd.h>

namespace {

// Null and "" in the expected figures are both NULL in the book (the reader
// cannot tell them apart); Yes/No is 0/1; numbers are integers.
void compareStored(const QVariant& actual, const QJsonValue& expected, const QString& what)
{
    if (expected.isNull() || expected.isUndefined() ||
        (expected.isString() && expected.toString().isEmpty())) {
        QVERIFY2(actual.isNull(),
                 qPrintable(what + QStringLiteral(" should be NULL, is ") + actual.toString()));
        return;
    }
    QVERIFY2(!actual.isNull(), qPrintable(what + QStringLiteral(" is NULL")));
    if (expected.isBool())
        QVERIFY2(actual.toLongLong() == (expected.toBool() ? 1 : 0), qPrintable(what));
    else if (expected.isDouble())
        QVERIFY2(actual.toLongLong() == expected.toInteger(), qPrintable(what));
    else
        QVERIFY2(actual.toString() == expected.toString(),
                 qPrintable(what + QStringLiteral(": ") + actual.toString() +
                            QStringLiteral(" != ") + expected.toString()));
}

// Money is stored as INTEGER ten-thousandths.
void compareMoney(const QVariant& actual, const QJsonValue& expected, const QString& what)
{
    if (expected.isNull() || expected.isUndefined()) {
        QVERIFY2(actual.isNull(), qPrintable(what + QStringLiteral(" should be NULL")));
        return;
    }
    QVERIFY2(actual.typeId() == QMetaType::LongLong,
             qPrintable(what + QStringLiteral(" is not an integer")));
    QVERIFY2(actual.toLongLong() == units(expected.toString()),
             qPrintable(what + QStringLiteral(": ") + actual.toString() + QStringLiteral(" != ") +
                        expected.toString()));
}

void checkEntry(const Start& s, const QJsonObject& e)
{
    const QString what = QStringLiteral("caixa %1").arg(e[u"id"].toInteger());
    const QVariantList r =
        s.row(QStringLiteral("select idconta, data, hora, ndoc, descricao, entrada, saida "
                             "from caixa where id = ?"),
              {e[u"id"].toInteger()});
    QVERIFY2(r.size() == 7, qPrintable(what + QStringLiteral(" is missing")));
    compareStored(r.at(0), e[u"idconta"], what + QStringLiteral(".idconta"));
    compareStored(r.at(1), e[u"data"], what + QStringLiteral(".data"));
    compareStored(r.at(2), e[u"hora"], what + QStringLiteral(".hora"));
    compareStored(r.at(3), e[u"ndoc"], what + QStringLiteral(".ndoc"));
    compareStored(r.at(4), e[u"descricao"], what + QStringLiteral(".descricao"));
    compareMoney(r.at(5), e[u"entrada"], what + QStringLiteral(".entrada"));
    compareMoney(r.at(6), e[u"saida"], what + QStringLiteral(".saida"));
}

void checkAccounts(const Start& s, const QJsonArray& accounts)
{
    for (const QJsonValue& value : accounts) {
        const QJsonObject a = value.toObject();
        const qint64 id = a[u"id"].toInteger();
        const QString what = QStringLiteral("account %1").arg(id);
        const QVariantList sums =
            s.row(QStringLiteral("select count(*), coalesce(sum(entrada), 0), "
                                 "coalesce(sum(saida), 0) from caixa where idconta = ?"),
                  {id});
        QVERIFY2(sums.value(0).toLongLong() == a[u"entries"].toInteger(), qPrintable(what));
        compareMoney(sums.value(1), a[u"sum_entrada"], what + QStringLiteral(" entrada"));
        compareMoney(sums.value(2), a[u"sum_saida"], what + QStringLiteral(" saida"));
        const QVariantList stored =
            s.row(QStringLiteral("select descricao, saldo from contas where id = ?"), {id});
        QCOMPARE(stored.isEmpty(), !a[u"in_contas"].toBool());
        if (!stored.isEmpty()) {
            compareStored(stored.at(0), a[u"descricao"], what + QStringLiteral(" descricao"));
            // The stored balance comes over as stored, stale or not.
            compareMoney(stored.at(1), a[u"saldo"], what + QStringLiteral(" saldo"));
        }
    }
}

qint64 count(const Start& s, const QString& where)
{
    return s.scalar(QStringLiteral("select count(*) from caixa where ") + where).toLongLong();
}

void checkTotals(const Start& s, const QJsonObject& t, const QJsonObject& ids)
{
    QCOMPARE(count(s, QStringLiteral("1 = 1")), t[u"entries"].toInteger());
    compareMoney(s.scalar(QStringLiteral("select coalesce(sum(entrada), 0) from caixa")),
                 t[u"sum_entrada"], QStringLiteral("entrada"));
    compareMoney(s.scalar(QStringLiteral("select coalesce(sum(saida), 0) from caixa")),
                 t[u"sum_saida"], QStringLiteral("saida"));
    QCOMPARE(count(s, QStringLiteral("entrada is null")), t[u"entrada_null"].toInteger());
    QCOMPARE(count(s, QStringLiteral("saida is null")), t[u"saida_null"].toInteger());
    const qint64 noDocument =
        t.contains(u"ndoc_null") ? t[u"ndoc_null"].toInteger() + t[u"ndoc_empty_string"].toInteger()
                                 : t[u"entries"].toInteger();
    QCOMPARE(count(s, QStringLiteral("ndoc is null")), noDocument);
    QCOMPARE(count(s, QStringLiteral("entrada < 0")), t[u"negative_entrada"].toInteger());
    QCOMPARE(count(s, QStringLiteral("hora = '00:00:00'")), t[u"hora_midnight"].toInteger());
    QCOMPARE(
        count(s, QStringLiteral(
                     "typeof(entrada) not in ('integer', 'null') or typeof(saida) not in "
                     "('integer', 'null') or typeof(data) <> 'text' or typeof(hora) <> 'text'")),
        qint64(0));
    if (t[u"entries"].toInteger() == 0)
        return;
    QCOMPARE(s.scalar(QStringLiteral("select min(data) from caixa")).toString(),
             t[u"first_date"].toString());
    QCOMPARE(s.scalar(QStringLiteral("select max(data) from caixa")).toString(),
             t[u"last_date"].toString());
    QCOMPARE(s.scalar(QStringLiteral("select count(distinct data) from caixa")).toLongLong(),
             t[u"distinct_dates"].toInteger());
    QCOMPARE(s.scalar(QStringLiteral("select max(length(descricao)) from caixa")).toLongLong(),
             t[u"max_descricao_length"].toInteger());
    QCOMPARE(s.scalar(QStringLiteral("select min(id) from caixa")).toLongLong(),
             ids[u"min"].toInteger());
    QCOMPARE(s.scalar(QStringLiteral("select max(id) from caixa")).toLongLong(),
             ids[u"max"].toInteger());
    for (const QJsonValue& gap : ids[u"missing_ids_deleted_rows"].toArray())
        QCOMPARE(count(s, QStringLiteral("id = %1").arg(gap.toInteger())), qint64(0));
}

void checkDaysAndSaldos(const Start& s, const QJsonArray& days, const QJsonArray& saldos)
{
    for (const QJsonValue& value : days) {
        const QJsonObject d = value.toObject();
        const QVariantList r = s.row(
            QStringLiteral("select count(*), coalesce(sum(entrada), 0), coalesce(sum(saida), 0) "
                           "from caixa where data = ?"),
            {d[u"data"].toString()});
        QCOMPARE(r.value(0).toLongLong(), d[u"entries"].toInteger());
        compareMoney(r.value(1), d[u"sum_entrada"], d[u"data"].toString());
        compareMoney(r.value(2), d[u"sum_saida"], d[u"data"].toString());
    }
    // saldos has no id: it comes over in date order.
    QSqlQuery q(s.db.database());
    QVERIFY(q.exec(QStringLiteral("select data, saldo from saldos order by rowid")));
    for (const QJsonValue& value : saldos) {
        QVERIFY(q.next());
        compareStored(q.value(0), value[u"data"], QStringLiteral("saldos.data"));
        compareMoney(q.value(1), value[u"saldo"], value[u"data"].toString());
    }
    QVERIFY(!q.next());
}

const QStringList kOpcoes = {QStringLiteral("lembrar"),         QStringLiteral("susuario"),
                             QStringLiteral("usuario"),         QStringLiteral("corfundoentrada"),
                             QStringLiteral("corletraentrada"), QStringLiteral("corfundosaida"),
                             QStringLiteral("corletrasaida"),   QStringLiteral("bkpautomatico"),
                             QStringLiteral("qtdarquivosbkp"),  QStringLiteral("moeda"),
                             QStringLiteral("indioma")};
const QStringList kUsuarios = {QStringLiteral("usuario"), QStringLiteral("nome"),
                               QStringLiteral("email"),   QStringLiteral("dica"),
                               QStringLiteral("pergunta"), QStringLiteral("restrito")};

// Passwords and answers come over, then are hashed when the book is opened:
// they are checked by what they let in, never by their stored text.
void checkSecrets(Start& s, const QJsonValue& user)
{
    const QString login = user[u"usuario"].toString();
    UserStore users(s.db);
    const QString senha = s.scalar(QStringLiteral("select senha from usuarios where id = ?"), {user[u"id"].toInteger()}).toString();
    QVERIFY2(PasswordHash::isHash(senha), qPrintable(login));
    QVERIFY2(users.logIn(login, user[u"senha"].toString()), qPrintable(login));
    QVERIFY(!users.logIn(login, user[u"senha"].toString() + u'x'));
    const QString answer = user[u"resposta"].toString();
    if (answer.isEmpty()) {
        QVERIFY(s.scalar(QStringLiteral("select resposta from usuarios where id = ?"), {user[u"id"].toInteger()}).isNull());
    } else {
        QString hint;
        QCOMPARE(users.checkAnswer(login, answer.toUpper(), &hint), UserStore::Answer::Accepted);
        QCOMPARE(hint, user[u"dica"].toString());
    }
}

// Columns the older layout lacks are there, empty.
void checkOpcoesAndUsers(Start& s, const QJsonValue& opcoes, const QJsonArray& users)
{
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from opcoes")).toLongLong(),
             opcoes.isNull() ? 0 : 1);
    if (!opcoes.isNull()) {
        const QVariantList r =
            s.row(QStringLiteral("select ") + kOpcoes.join(u',') + QStringLiteral(" from opcoes"));
        for (qsizetype i = 0; i < kOpcoes.size(); ++i)
            compareStored(r.value(i), opcoes[kOpcoes.at(i)],
                          QStringLiteral("opcoes.") + kOpcoes.at(i));
    }
    QCOMPARE(s.scalar(QStringLiteral("select count(*) from usuarios")).toLongLong(), users.size());
    for (const QJsonValue& value : users) {
        const QVariantList r = s.row(QStringLiteral("select ") + kUsuarios.join(u',') +
                                         QStringLiteral(" from usuarios where id = ?"),
                                     {value[u"id"].toInteger()});
        QVERIFY(!r.isEmpty());
        for (qsizetype i = 0; i < kUsuarios.size(); ++i)
            compareStored(r.value(i), value[kUsuarios.at(i)],
                          QStringLiteral("usuarios.") + kUsuarios.at(i));
        checkSecrets(s, value);
    }
    // No password stays readable anywhere in the file (one that is also the
    // user's login name is still there, as the name).
    const QByteArray bytes = fileBytes(s.db.filePath());
    for (const QJsonValue& value : users) {
        const QString senha = value[u"senha"].toString();
        if (senha != value[u"usuario"].toString())
            QVERIFY2(!bytes.contains(senha.toUtf8()), qPrintable(senha));
    }
}

} // namespace

class tst_AccessMigration : public QObject
{
    Q_OBJECT

private slots:
    void everyFigureComesOver_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        QTest::newRow("current layout") << "bd-completo.mdb"
                                        << "196 lançamentos, 3 contas e 2 usuários";
        QTest::newRow("older layout") << "bd-antigo.mdb"
                                      << "50 lançamentos, 2 contas e 2 usuários";
        QTest::newRow("empty book") << "bd-vazio.mdb"
                                    << "0 lançamentos, 0 contas e 0 usuários";
    }
    void everyFigureComesOver()
    {
        QFETCH(QString, name);
        QFETCH(QString, summary);
        const QJsonObject expected = expectedFigures(name);
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(name), folder.book()));
        Start start(folder);
        start.run();

        QCOMPARE(start.dialogs.shown.size(), 1);
        QCOMPARE(start.dialogs.last().icon, Dialogs::Icon::Information);
        QVERIFY2(start.dialogs.last().text.contains(summary),
                 qPrintable(start.dialogs.last().text));
        QVERIFY(start.dialogs.last().text.contains(
            folder.file(QStringLiteral("bd-access-original.mdb"))));
        QVERIFY(start.db.isOpen());

        const QJsonObject counts = expected[u"row_counts"].toObject();
        for (auto it = counts.begin(); it != counts.end(); ++it)
            QCOMPARE(start.scalar(QStringLiteral("select count(*) from ") + it.key()).toLongLong(),
                     it.value().toInteger());
        checkAccounts(start, expected[u"accounts"].toArray());
        checkTotals(start, expected[u"caixa_totals"].toObject(), expected[u"caixa_ids"].toObject());
        if (expected.contains(u"first_entry")) {
            checkEntry(start, expected[u"first_entry"].toObject());
            checkEntry(start, expected[u"last_entry"].toObject());
        }
        for (const QJsonValue& entry : expected[u"notable_entries"].toArray())
            checkEntry(start, entry.toObject());
        checkDaysAndSaldos(start, expected[u"days"].toArray(), expected[u"saldos"].toArray());
        checkOpcoesAndUsers(start, expected[u"opcoes"], expected[u"usuarios"].toArray());
    }

    void theStartGoesOnWithTheConvertedBook()
    {
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(QStringLiteral("bd-completo.mdb")), folder.book()));
        Start start(folder);
        // The book had login switched on.
        QCOMPARE(start.run(), Startup::FirstWindow::Login);
        QCOMPARE(start.session.Settings.usuario, QStringLiteral("maria"));
        QCOMPARE(start.session.Settings.qtdarquivosbkp, qint16(7));
        QCOMPARE(start.dialogs.last().title, QStringLiteral("Livro de caixa convertido"));

        // The progress window counted every row, reading and then writing.
        QCOMPARE(start.dialogs.progressShown.size(), 1);
        const FakeDialogs::ProgressShown& progress = start.dialogs.progressShown.constFirst();
        QCOMPARE(progress.maximum, qint64(196 + 3 + 10 + 1 + 2));
        QVERIFY(progress.values.contains(progress.maximum));
        QCOMPARE(progress.values.constLast(), progress.maximum);
        QVERIFY(progress.labels.size() >= 2);
        QVERIFY(progress.labels.constFirst().startsWith(QStringLiteral("Lendo")));

        // New rows follow the highest ids the Access book handed out.
        QSqlQuery q(start.db.database());
        QVERIFY(q.exec(QStringLiteral("insert into caixa (descricao) values ('novo')")));
        QCOMPARE(q.lastInsertId().toLongLong(), qint64(202));
        QVERIFY(q.exec(QStringLiteral("insert into contas (descricao) values ('NOVA')")));
        QCOMPARE(q.lastInsertId().toLongLong(), qint64(4));
    }

    void theOriginalIsKeptAndNeverOverwritten()
    {
        const QByteArray access = fileBytes(legacyBook(QStringLiteral("bd-antigo.mdb")));
        DataFolder folder;
        folder.put(access);
        folder.put("anterior", QStringLiteral("bd-access-original.mdb"));
        {
            Start first(folder);
            first.run();
            QVERIFY(first.db.isOpen());
            QVERIFY(first.dialogs.last().text.contains(
                folder.file(QStringLiteral("bd-access-original-2.mdb"))));
        }
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original-2.mdb"))), access);
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original.mdb"))),
                 QByteArray("anterior"));
        QVERIFY(fileBytes(folder.book()).startsWith("SQLite format 3"));
        const QStringList afterFirst = folder.files();
        QCOMPARE(afterFirst,
                 (QStringList{QStringLiteral("bd-access-original-2.mdb"),
                              QStringLiteral("bd-access-original.mdb"), QStringLiteral("bd.mdb")}));

        // The next start opens the converted book as it is.
        {
            Start second(folder);
            second.run();
            QVERIFY(second.db.isOpen());
            QVERIFY(second.dialogs.shown.isEmpty());
            QVERIFY(second.dialogs.progressShown.isEmpty());
            QCOMPARE(second.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 50);
        }
        QCOMPARE(folder.files(), afterFirst);

        // The Access file dropped in again is converted again, next to the others.
        folder.put(access);
        Start third(folder);
        third.run();
        QVERIFY(third.db.isOpen());
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original-3.mdb"))), access);
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original-2.mdb"))), access);
    }

    // What a run cut short before the swap leaves: the original under its
    // kept name too (a second name of the same file), a half-written book.
    void anInterruptedRunIsTakenUpAgain()
    {
        const QByteArray access = fileBytes(legacyBook(QStringLiteral("bd-vazio.mdb")));
        DataFolder folder;
        folder.put(access);
        const QString kept = folder.file(QStringLiteral("bd-access-original.mdb"));
        QCOMPARE(::link(QFile::encodeName(folder.book()).constData(),
                        QFile::encodeName(kept).constData()),
                 0);
        folder.put("SQLite format 3 meio escrito", QStringLiteral("bd.mdb.convertendo"));
        folder.put("", QStringLiteral("bd.mdb.convertendo-journal"));

        Start start(folder);
        start.run();
        QVERIFY(start.db.isOpen());
        QVERIFY(start.dialogs.last().text.contains(kept));
        QCOMPARE(folder.files(),
                 (QStringList{QStringLiteral("bd-access-original.mdb"), QStringLiteral("bd.mdb")}));
        QCOMPARE(fileBytes(kept), access);
    }
};

LIVRO_TEST(tst_AccessMigration)
#include "tst_AccessMigration.moc"
