#include "Controls.h"
#include "FakeDialogs.h"
#include "FixedClock.h"
#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/DbConnection.h"
#include "core/Session.h"
#include "core/Startup.h"
#include "core/legacy/ReaderProcess.h"
#include "users/StoredSecrets.h"
#include "users/UserStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The older program's Access books, converted when the program starts on
// them: the three kept in data/ with the figures each must show, damaged
// copies of them, and a reader that fails.
namespace {

// The Access books of the older program kept with the tests.
QString legacyBook(const QString& name)
{
    return QStringLiteral(LIVRO_LEGACY_DATA "/") + name;
}

// A data folder for one or more starts of the program.
struct DataFolder
{
    QTemporaryDir dir;

    QString book() const { return Startup::bookPath(dir.path()); }
    QString file(const QString& name) const { return dir.filePath(name); }
    void put(const QByteArray& bytes, const QString& name = QStringLiteral("bd.mdb")) const
    {
        QFile out(file(name));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            qFatal("could not write %s", qPrintable(out.fileName()));
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

// One start of the program on a data folder, with the Access reader of the build.
struct Start
{
    explicit Start(const DataFolder& folder) : session(db, dialogs, clock, folder.dir.path())
    {
        session.accessReader = QStringLiteral(LIVRO_MDB_READER);
    }
    // As the program starts: the book is opened (converted first when it is
    // an Access file) and any secret it holds as text is hashed.
    Startup::FirstWindow run()
    {
        const Startup::FirstWindow first = Startup::Main(session);
        StoredSecrets::protect(session);
        return first;
    }
    // The first row of a statement on the book, empty when there is none.
    QVariantList row(const QString& sql, const QVariantList& values = {}) const
    {
        QSqlQuery q(db.database());
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        QVariantList result;
        if (q.exec() && q.next()) {
            for (int i = 0; i < q.record().count(); ++i)
                result.append(q.value(i));
        }
        return result;
    }
    QVariant scalar(const QString& sql, const QVariantList& values = {}) const { return row(sql, values).value(0); }

    DbConnection db;
    FakeDialogs dialogs;
    FixedClock clock;
    Session session;
};

QJsonObject expectedFigures(const QString& name)
{
    QFile file(legacyBook(name + QStringLiteral(".expected.json")));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data: %s", qPrintable(file.fileName()));
    return QJsonDocument::fromJson(file.readAll()).object();
}

// "71096.53" in ten-thousandths, worked out without the code under test.
qint64 units(const QString& decimal)
{
    const bool negative = decimal.startsWith(u'-');
    const QStringList parts = decimal.mid(negative ? 1 : 0).split(u'.');
    const qint64 value = parts.at(0).toLongLong() * 10000 + parts.value(1).leftJustified(4, u'0').toLongLong();
    return negative ? -value : value;
}

const QStringList kEntry{"idconta", "data", "hora", "ndoc", "descricao", "entrada", "saida"};
const QStringList kUser{"usuario", "nome", "email", "dica", "pergunta", "restrito"};
const QStringList kOpcoes{"lembrar",       "susuario",      "usuario",       "corfundoentrada",
                          "corletraentrada", "corfundosaida", "corletrasaida", "bkpautomatico",
                          "qtdarquivosbkp", "moeda",         "indioma"};
const QStringList kMoney{"entrada", "saida", "saldo"};

// A figure of the expected files as the book must store it: null and "" as
// NULL (the reader cannot tell them apart), Yes/No as 0/1, money as an
// integer of ten-thousandths.
void same(const QVariant& actual, const QJsonValue& expected, const QString& what, bool money = false)
{
    bool ok = !actual.isNull();
    if (expected.isNull() || expected.isUndefined() || expected.toString(QStringLiteral("x")).isEmpty())
        ok = actual.isNull();
    else if (money)
        ok = ok && actual.typeId() == QMetaType::LongLong && actual.toLongLong() == units(expected.toString());
    else if (expected.isBool() || expected.isDouble())
        ok = ok && actual.toLongLong() == (expected.isBool() ? qint64(expected.toBool()) : expected.toInteger());
    else
        ok = ok && actual.toString() == expected.toString();
    QVERIFY2(ok, qPrintable(QStringLiteral("%1 is %2, expected %3")
                                .arg(what, actual.isNull() ? QStringLiteral("NULL") : actual.toString(),
                                     expected.toVariant().toString())));
}

// A row of a table (by its id, when the figures give one) against the figures.
void sameRow(const Start& s, const QString& table, const QStringList& columns, const QJsonObject& e)
{
    const QString what = table + u' ' + e[u"id"].toVariant().toString();
    const bool byId = e.contains(u"id");
    const QVariantList r = s.row(QStringLiteral("select %1 from %2").arg(columns.join(u','), table) +
                                     (byId ? QStringLiteral(" where id = ?") : QString()),
                                 byId ? QVariantList{e[u"id"].toInteger()} : QVariantList{});
    QVERIFY2(r.size() == columns.size(), qPrintable(what + QStringLiteral(" is missing")));
    for (qsizetype i = 0; i < columns.size(); ++i)
        same(r.at(i), e[columns.at(i)], what + u'.' + columns.at(i), kMoney.contains(columns.at(i)));
}

// The number of entries a filter selects and their sums of entrada and saida.
void sameSums(const Start& s, const QString& filter, const QVariant& value, const QJsonObject& e, const QString& what)
{
    const QVariantList r = s.row(QStringLiteral("select count(*), coalesce(sum(entrada), 0), coalesce(sum(saida), 0) "
                                                "from caixa where ") + filter,
                                 value.isValid() ? QVariantList{value} : QVariantList{});
    same(r.value(0), e[u"entries"], what + QStringLiteral(" entries"));
    same(r.value(1), e[u"sum_entrada"], what + QStringLiteral(" entrada"), true);
    same(r.value(2), e[u"sum_saida"], what + QStringLiteral(" saida"), true);
}

qint64 count(const Start& s, const QString& filter)
{
    return s.scalar(QStringLiteral("select count(*) from caixa where ") + filter).toLongLong();
}

// Passwords and answers come over, then are hashed when the book is opened:
// they are checked by what they let in, and no password stays readable in
// the file (one that is also the login name is still there, as the name).
void checkSecrets(Start& s, const QJsonObject& user, const QByteArray& file)
{
    const QString login = user[u"usuario"].toString(), senha = user[u"senha"].toString();
    const QString answer = user[u"resposta"].toString();
    UserStore users(s.db);
    QVERIFY2(users.logIn(login, senha) && !users.logIn(login, senha + u'x'), qPrintable(login));
    QVERIFY2(senha == login || !file.contains(senha.toUtf8()), qPrintable(senha));
    if (answer.isEmpty()) {
        QVERIFY(s.scalar(QStringLiteral("select resposta from usuarios where id = ?"), {user[u"id"].toInteger()})
                    .isNull());
    } else {
        QString hint;
        QCOMPARE(users.checkAnswer(login, answer.toUpper(), &hint), UserStore::Answer::Accepted);
        QCOMPARE(hint, user[u"dica"].toString());
    }
}

constexpr qsizetype kPage = 4096;

QByteArray completo()
{
    return fileBytes(legacyBook(QStringLiteral("bd-completo.mdb")));
}

// Overwrites bytes with a fixed pseudo-random pattern.
QByteArray scrambled(QByteArray bytes, qsizetype from, qsizetype length)
{
    for (qsizetype i = from; i < from + length; ++i)
        bytes[i] = char((i * 7919 + 13) & 0xFF);
    return bytes;
}

// A stand-in for the reader: a shell script.
QString script(const DataFolder& folder, const QByteArray& body)
{
    const QString path = folder.file(QStringLiteral("leitor.sh"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body + '\n') < 0)
        qFatal("could not write %s", qPrintable(path));
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

// The refusal shown as the connection message, with nothing written and the
// original as it was.
void checkRefused(const Start& start, const DataFolder& folder, const QByteArray& before, const QString& reasonPart)
{
    QCOMPARE(start.dialogs.shown.size(), 1);
    const FakeDialogs::Shown& shown = start.dialogs.last();
    QCOMPARE(shown.title, QStringLiteral("A T E  Ç Ã O"));
    QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
    QVERIFY2(shown.text.startsWith(QStringLiteral("Não foi possível converter o livro de caixa do Access ")) &&
                 shown.text.contains(reasonPart) &&
                 shown.text.endsWith(QStringLiteral("O arquivo não foi alterado.\nNão foi possivel conectar ao servidor")),
             qPrintable(shown.text));
    QVERIFY(!start.db.isOpen());
    QCOMPARE(fileBytes(folder.book()), before);
    QStringList left = folder.files();
    left.removeAll(QStringLiteral("leitor.sh"));
    QCOMPARE(left, QStringList{QStringLiteral("bd.mdb")});
}

} // namespace

class tst_AccessMigration : public QObject
{
    Q_OBJECT

private slots:
    // Each Access book kept with the tests, dropped in as bd.mdb, is
    // converted on start with every figure its expected file lists; the
    // older layout gets the columns it lacks, empty.
    void everyFigureComesOver_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("summary");
        QTest::newRow("current layout") << "bd-completo.mdb" << "196 lançamentos, 3 contas e 2 usuários";
        QTest::newRow("older layout") << "bd-antigo.mdb" << "50 lançamentos, 2 contas e 2 usuários";
        QTest::newRow("empty book") << "bd-vazio.mdb" << "0 lançamentos, 0 contas e 0 usuários";
    }
    void everyFigureComesOver()
    {
        QFETCH(QString, name);
        QFETCH(QString, summary);
        const QJsonObject expected = expectedFigures(name);
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(name), folder.book()));
        Start start(folder);
        const Startup::FirstWindow first = start.run();

        // The start goes on with the converted book once the user is told
        // what came over and where the original was kept.
        QVERIFY(start.db.isOpen());
        QCOMPARE(first, expected[u"opcoes"][u"susuario"].toBool() ? Startup::FirstWindow::Login
                                                                  : Startup::FirstWindow::Main);
        QCOMPARE(start.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& told = start.dialogs.last();
        QCOMPARE(told.icon, Dialogs::Icon::Information);
        QCOMPARE(told.title, QStringLiteral("Livro de caixa convertido"));
        QVERIFY2(told.text.contains(summary) && told.text.contains(folder.file(QStringLiteral("bd-access-original.mdb"))),
                 qPrintable(told.text));

        // The progress window counted every row, reading and then writing.
        const QJsonObject counts = expected[u"row_counts"].toObject();
        qint64 rows = 0;
        for (auto it = counts.begin(); it != counts.end(); ++it) {
            QCOMPARE(start.scalar(QStringLiteral("select count(*) from ") + it.key()).toLongLong(), it->toInteger());
            rows += it->toInteger();
        }
        QCOMPARE(start.dialogs.progressShown.size(), 1);
        const FakeDialogs::ProgressShown& progress = start.dialogs.progressShown.constFirst();
        QCOMPARE(progress.maximum, rows);
        QCOMPARE(progress.values.constLast(), rows);
        QVERIFY(progress.labels.constFirst().startsWith(QStringLiteral("Lendo")));
        QVERIFY(progress.labels.join(u'|').contains(QStringLiteral("|Gravando")));

        // Entries keep their account, even one that no longer exists; a
        // stored balance comes over as stored, stale or not.
        for (const QJsonValue& value : expected[u"accounts"].toArray()) {
            const QJsonObject account = value.toObject();
            const qint64 id = account[u"id"].toInteger();
            sameSums(start, QStringLiteral("idconta = ?"), id, account, QStringLiteral("account %1").arg(id));
            QCOMPARE(start.row(QStringLiteral("select id from contas where id = ?"), {id}).isEmpty(),
                     !account[u"in_contas"].toBool());
            if (account[u"in_contas"].toBool())
                sameRow(start, QStringLiteral("contas"), {QStringLiteral("descricao"), QStringLiteral("saldo")}, account);
        }
        for (const QJsonValue& day : expected[u"days"].toArray())
            sameSums(start, QStringLiteral("data = ?"), day[u"data"].toString(), day.toObject(), day[u"data"].toString());

        const QJsonObject t = expected[u"caixa_totals"].toObject();
        sameSums(start, QStringLiteral("1 = 1"), QVariant(), t, QStringLiteral("caixa"));
        QCOMPARE(count(start, QStringLiteral("entrada is null")), t[u"entrada_null"].toInteger());
        QCOMPARE(count(start, QStringLiteral("saida is null")), t[u"saida_null"].toInteger());
        QCOMPARE(count(start, QStringLiteral("entrada < 0")), t[u"negative_entrada"].toInteger());
        QCOMPARE(count(start, QStringLiteral("hora = '00:00:00'")), t[u"hora_midnight"].toInteger());
        // An empty ndoc is NULL, as is every ndoc of the older layout, which has none.
        QCOMPARE(count(start, QStringLiteral("ndoc is null")),
                 t.contains(u"ndoc_null") ? t[u"ndoc_null"].toInteger() + t[u"ndoc_empty_string"].toInteger()
                                          : t[u"entries"].toInteger());
        QCOMPARE(count(start, QStringLiteral("typeof(entrada) not in ('integer', 'null') or typeof(saida) not in "
                                             "('integer', 'null') or typeof(data) <> 'text' or typeof(hora) <> 'text'")),
                 qint64(0));
        if (t[u"entries"].toInteger() > 0) {
            const QJsonObject ids = expected[u"caixa_ids"].toObject();
            QCOMPARE(start.row(QStringLiteral("select min(data), max(data), count(distinct data), "
                                              "max(length(descricao)), min(id), max(id) from caixa")),
                     (QVariantList{t[u"first_date"].toString(), t[u"last_date"].toString(),
                                   t[u"distinct_dates"].toInteger(), t[u"max_descricao_length"].toInteger(),
                                   ids[u"min"].toInteger(), ids[u"max"].toInteger()}));
            QStringList gaps;
            for (const QJsonValue& gap : ids[u"missing_ids_deleted_rows"].toArray())
                gaps.append(QString::number(gap.toInteger()));
            QCOMPARE(count(start, QStringLiteral("id in (%1)").arg(gaps.join(u','))), qint64(0));
            sameRow(start, QStringLiteral("caixa"), kEntry, expected[u"first_entry"].toObject());
            sameRow(start, QStringLiteral("caixa"), kEntry, expected[u"last_entry"].toObject());
        }
        for (const QJsonValue& entry : expected[u"notable_entries"].toArray())
            sameRow(start, QStringLiteral("caixa"), kEntry, entry.toObject());

        // saldos has no id: it comes over in date order.
        QSqlQuery q(start.db.database());
        QVERIFY(q.exec(QStringLiteral("select data, saldo from saldos order by rowid")));
        for (const QJsonValue& value : expected[u"saldos"].toArray()) {
            QVERIFY(q.next());
            same(q.value(0), value[u"data"], QStringLiteral("saldos.data"));
            same(q.value(1), value[u"saldo"], value[u"data"].toString(), true);
        }
        QVERIFY(!q.next());

        if (!expected[u"opcoes"].isNull())
            sameRow(start, QStringLiteral("opcoes"), kOpcoes, expected[u"opcoes"].toObject());
        const QByteArray file = fileBytes(start.db.filePath());
        for (const QJsonValue& user : expected[u"usuarios"].toArray()) {
            sameRow(start, QStringLiteral("usuarios"), kUser, user.toObject());
            checkSecrets(start, user.toObject(), file);
        }
    }

    // The original is kept byte for byte under a free name; the next start
    // opens the converted book without converting again.
    void theOriginalIsKeptAndNeverOverwritten()
    {
        const QByteArray access = fileBytes(legacyBook(QStringLiteral("bd-antigo.mdb")));
        DataFolder folder;
        folder.put(access);
        folder.put("anterior", QStringLiteral("bd-access-original.mdb"));
        {
            Start first(folder);
            first.run();
            QVERIFY(first.dialogs.last().text.contains(folder.file(QStringLiteral("bd-access-original-2.mdb"))));
        }
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original-2.mdb"))), access);
        QCOMPARE(fileBytes(folder.file(QStringLiteral("bd-access-original.mdb"))), QByteArray("anterior"));
        const QStringList afterFirst = folder.files();
        QCOMPARE(afterFirst, (QStringList{QStringLiteral("bd-access-original-2.mdb"),
                                          QStringLiteral("bd-access-original.mdb"), QStringLiteral("bd.mdb")}));
        {
            Start second(folder);
            second.run();
            QVERIFY(second.dialogs.shown.isEmpty() && second.dialogs.progressShown.isEmpty());
            QCOMPARE(second.scalar(QStringLiteral("select count(*) from caixa")).toInt(), 50);
        }
        QCOMPARE(folder.files(), afterFirst);
    }

    // What a run cut short before the swap leaves: the original under its
    // kept name too (a second name of the same file), a half-written book.
    void anInterruptedRunIsTakenUpAgain()
    {
        const QByteArray access = fileBytes(legacyBook(QStringLiteral("bd-vazio.mdb")));
        DataFolder folder;
        folder.put(access);
        const QString kept = folder.file(QStringLiteral("bd-access-original.mdb"));
        QCOMPARE(::link(QFile::encodeName(folder.book()).constData(), QFile::encodeName(kept).constData()), 0);
        folder.put("SQLite format 3 meio escrito", QStringLiteral("bd.mdb.convertendo"));
        folder.put("", QStringLiteral("bd.mdb.convertendo-journal"));

        Start start(folder);
        start.run();
        QVERIFY(start.db.isOpen());
        QVERIFY(start.dialogs.last().text.contains(kept));
        QCOMPARE(folder.files(), (QStringList{QStringLiteral("bd-access-original.mdb"), QStringLiteral("bd.mdb")}));
        QCOMPARE(fileBytes(kept), access);
    }

    // In the main window the converted book shows its whole history in
    // order, with the balances the older program showed.
    void theMainWindowShowsTheWholeHistory()
    {
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(QStringLiteral("bd-completo.mdb")), folder.book()));
        Start start(folder);
        start.clock.set(QDateTime(QDate(2024, 4, 29), QTime(18, 0)));
        start.run();
        frmPrincipal w(start.session);
        control<QLineEdit>(w, "txtDia")->setText(QStringLiteral("29/04/2024"));
        control<QLineEdit>(w, "txtDias")->setText(QStringLiteral("99"));
        control<QPushButton>(w, "btnAtivar")->click();

        const EntryGridModel* grid = w.gridModel();
        QCOMPARE(grid->rowCount(), 196);
        QCOMPARE(grid->cellText(0, EntryGridModel::Id) + u' ' + grid->cellText(0, EntryGridModel::Conta) + u' ' +
                     grid->cellText(0, EntryGridModel::Hora),
                 QStringLiteral("1 CAIXA 08:00"));
        QCOMPARE(grid->cellText(195, EntryGridModel::Saldo), QStringLiteral("165.030,44"));
        QCOMPARE(control<QLabel>(w, "lblTotalEntradas")->text(), QStringLiteral("293.016,29"));
        QCOMPARE(control<QLabel>(w, "lblTotalSaidas")->text(), QStringLiteral("127.985,85"));
    }

    // libmdb reads a damaged file without complaint and returns fewer rows;
    // the conversion checks the file on its own terms and refuses it, and
    // the program starts as it does on a book it cannot open.
    void damagedCopiesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good = completo();
        // Pages 40 to 45 hold the rows of caixa: data pages (type 1) owned by
        // the table definition on page 24.
        QCOMPARE(good.at(42 * kPage), '\x01');
        QCOMPARE(good.at(42 * kPage + 4), '\x18');
        // libmdb alone reads this one without a word, as a book with no entries.
        QTest::newRow("cut at a page boundary") << good.left(42 * kPage) << "a página 42 não está inteira";
        QTest::newRow("cut in the middle of a page")
            << good.left(26 * kPage + 100) << "não é um número inteiro de páginas";
        QTest::newRow("scrambled entry")
            << scrambled(good, 40 * kPage + 2048, 64) << "caixa tem 196 linhas, mas só 195";
        // The page stays well formed; the dates of entry 20 become 00/01/1900.
        QTest::newRow("scrambled date")
            << scrambled(good, 40 * kPage + 2304, 16)
            << "a coluna caixa.data tem um valor inválido (1900-01-00 00:00:00) na linha de id 20";
        QTest::newRow("first page only") << good.left(kPage) << "tabelas";
        QByteArray header(kPage, '\0');
        header.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QTest::newRow("bare Jet header") << header << "Access";
    }
    void damagedCopiesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonPart);
        DataFolder folder;
        folder.put(bytes);
        Start start(folder);
        QCOMPARE(start.run(), Startup::FirstWindow::Main);
        checkRefused(start, folder, bytes, reasonPart);
    }

    // The reader runs in a process of its own: its crash, its warnings, its
    // output broken off, its absence and the user's cancel are refusals too.
    void theReaderFailingOrCancelled_data()
    {
        QTest::addColumn<QByteArray>("body"); // of a stand-in reader; empty: the real one
        QTest::addColumn<QString>("cancelDuring");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray reader = "'" + QByteArrayLiteral(LIVRO_MDB_READER) + "' \"$@\"";
        QTest::newRow("crash") << QByteArray("kill -SEGV $$") << QString() << "parou de forma inesperada";
        QTest::newRow("warning") << reader + "\necho 'warning: page 7 is odd' >&2" << QString()
                                 << "encontrou problemas (warning: page 7 is odd)";
        QTest::newRow("output broken off") << reader + " | head -c 3000" << QString() << "terminou antes do fim";
        QTest::newRow("missing") << QByteArray("missing") << QString() << "não foi encontrado"; // no program at all
        QTest::newRow("cancelled while reading") << QByteArray() << "Lendo" << "a conversão foi cancelada";
        QTest::newRow("cancelled while writing") << QByteArray() << "Gravando" << "a conversão foi cancelada";
    }
    void theReaderFailingOrCancelled()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, cancelDuring);
        QFETCH(QString, reasonPart);
        const QByteArray bytes = completo();
        DataFolder folder;
        folder.put(bytes);
        Start start(folder);
        if (body == "missing")
            start.session.accessReader = folder.file(QStringLiteral("nao-existe"));
        else if (!body.isEmpty())
            start.session.accessReader = script(folder, body);
        start.dialogs.cancelProgressDuring = cancelDuring;
        start.run();
        if (!cancelDuring.isEmpty())
            QVERIFY(start.dialogs.progressShown.constFirst().labels.constLast().startsWith(cancelDuring));
        checkRefused(start, folder, bytes, reasonPart);
    }

    // A reader that stops answering is stopped, not waited for.
    void aSilentReaderIsStopped()
    {
        DataFolder folder;
        SilentProgress progress;
        SourceBook::ReaderOutput output;
        const Status ran = ReaderProcess::run(script(folder, "sleep 30"), {}, progress, output, 1);
        QVERIFY(!ran.ok());
        QVERIFY2(ran.reason().contains(QStringLiteral("parou de responder")),
                 qPrintable(ran.reason()));
    }
};

LIVRO_TEST(tst_AccessMigration)
#include "tst_AccessMigration.moc"
