#include "TestBook.h"
#include "TestMain.h"
#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/RowReader.h"
#include "core/Schema.h"
#include "core/Startup.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The file of a book of ours after the statements ran on it.
QByteArray bookAfter(const QStringList& statements)
{
    TestBook book;
    for (const QString& statement : statements)
        book.exec(statement);
    book.db.close();
    return fileBytes(book.bookPath());
}

int columnCount(DbConnection& db, const QString& table)
{
    return db.database().record(table).count();
}

} // namespace

// Opening, creating and refusing book files, and reading them.
class tst_Book : public QObject
{
    Q_OBJECT

private slots:
    // A missing book is created whole, durable, and never reuses entry ids.
    void newBook()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/bd.mdb"));
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY2(opened.ok(), qPrintable(opened.reason()));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files), QStringList{QStringLiteral("bd.mdb")});
        for (const QString& table : Schema::tableNames()) {
            for (const QString& column : Schema::originalColumns(table) + Schema::lateColumns(table))
                QVERIFY2(db.database().record(table).indexOf(column) >= 0, qPrintable(table + u'.' + column));
        }
        QSqlQuery q(db.database());
        QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("delete"));
        QVERIFY(q.exec(QStringLiteral("PRAGMA synchronous")) && q.next());
        QCOMPARE(q.value(0).toInt(), 2); // FULL
        QVERIFY(q.exec(QStringLiteral("insert into caixa (descricao) values ('a')")));
        QVERIFY(q.exec(QStringLiteral("delete from caixa")));
        QVERIFY(q.exec(QStringLiteral("insert into caixa (descricao) values ('b')")));
        QVERIFY(q.exec(QStringLiteral("select id from caixa")) && q.next());
        QCOMPARE(q.value(0).toInt(), 2);

        // A file where the folder should be cannot hold a book.
        writeFile(dir.filePath(QStringLiteral("arquivo")), "x");
        const Status refused = db.open(dir.filePath(QStringLiteral("arquivo/bd.mdb")));
        QVERIFY2(!refused.ok() && refused.reason().contains(QStringLiteral("pasta")), qPrintable(refused.reason()));
    }

    // Anything that is not a sound book of ours is refused with its reason,
    // and is neither written to nor joined by other files.
    void unusableFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good = bookAfter({QStringLiteral(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 400) "
            "insert into caixa (data, descricao, entrada) "
            "select '2026-01-01', 'Lançamento número ' || i || ' com uma descrição comprida', 100000 from n")});
        QVERIFY(good.size() > 16 * 4096);
        QByteArray scrambled = good;
        for (qsizetype i = good.size() / 2; i < good.size() / 2 + 4096; ++i)
            scrambled[i] = char((i * 7919) & 0xFF);
        QByteArray jet(4096, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));

        QTest::newRow("empty file") << QByteArray() << QStringLiteral("vazio");
        QTest::newRow("text file") << QByteArray("Livro de caixa de 2019\nsaldo 100,00\n") << QStringLiteral("não é um livro");
        QTest::newRow("cut mid page") << good.left(good.size() / 2 + 100) << QStringLiteral("incompleto");
        QByteArray staleCount = good.left(good.size() / 2 + 100);
        staleCount[95] = char(staleCount[95] ^ 1); // the page count in the header no longer counts
        QTest::newRow("cut mid page, stale page count") << staleCount << QStringLiteral("incompleto");
        QTest::newRow("cut at page boundary") << good.left(8 * 4096) << QStringLiteral("incompleto");
        QTest::newRow("header only") << good.left(100) << QStringLiteral("incompleto");
        QTest::newRow("scrambled pages") << scrambled << QStringLiteral("danificado");
        QTest::newRow("Access file") << jet << QStringLiteral("Access");
        QTest::newRow("another program's database")
            << bookAfter({QStringLiteral("drop table caixa")}) << QStringLiteral("falta a tabela caixa");
        QTest::newRow("original column lost")
            << bookAfter({QStringLiteral("alter table caixa drop column descricao")}) << QStringLiteral("caixa.descricao");
    }
    void unusableFilesAreLeftUntouched()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        writeFile(path, bytes);
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY2(!opened.ok() && opened.reason().contains(reasonPart), qPrintable(opened.reason()));
        QVERIFY(!db.isOpen());
        QVERIFY(!QSqlQuery(db.database()).exec(QStringLiteral("insert into contas (descricao) values ('X')")));
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bd.mdb")});
    }

    // An older book opens; EnsureColumn adds a missing column once, keeping the rows.
    void ensureColumn()
    {
        TestBook book;
        book.exec(QStringLiteral("alter table caixa drop column ndoc"));
        book.exec(QStringLiteral("insert into caixa (descricao) values ('antigo')"));
        QVERIFY(book.db.open(book.bookPath()).ok());
        const int before = columnCount(book.db, QStringLiteral("caixa"));
        QVERIFY(EnsureColumn(book.db, QStringLiteral("caixa"), QStringLiteral("ndoc"), QStringLiteral("varchar (255)")));
        QCOMPARE(columnCount(book.db, QStringLiteral("caixa")), before + 1);
        QVERIFY(!EnsureColumn(book.db, QStringLiteral("caixa"), QStringLiteral("ndoc"), QStringLiteral("varchar (255)")));
        QCOMPARE(columnCount(book.db, QStringLiteral("caixa")), before + 1);
        QCOMPARE(book.scalar(QStringLiteral("select descricao from caixa where ndoc is null")).toString(), QStringLiteral("antigo"));
        QVERIFY(!EnsureColumn(book.db, QStringLiteral("tabela_inexistente"), QStringLiteral("x"), QStringLiteral("Bit")));
    }

    // A new data folder gets a book and the common level; the login switch
    // decides the first window.
    void startup()
    {
        QTemporaryDir dir;
        DbConnection db;
        FakeDialogs dialogs;
        FixedClock clock;
        Session session(db, dialogs, clock, dir.path());
        session.CurrentUser = {QStringLiteral("maria"), QStringLiteral("r")};
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Main);
        QVERIFY(dialogs.shown.isEmpty() && db.isOpen());
        QCOMPARE(session.CurrentUser.userLevel, QStringLiteral("c"));
        QCOMPARE(session.CurrentUser.userName, QString());
        QCOMPARE(session.Settings.qtdarquivosbkp, qint16(5));
        QVERIFY(QSqlQuery(db.database()).exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada) values (1, '255')")));
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Login);
    }

    // A damaged book gives the connection message, stays as it was, and
    // start-up still reaches its first window.
    void damagedBookAtStartup()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        writeFile(path, "isto não é um banco de dados");
        DbConnection db;
        FakeDialogs dialogs;
        FixedClock clock;
        Session session(db, dialogs, clock, dir.path());
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Main);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.last().title, QStringLiteral("A T E  Ç Ã O"));
        QCOMPARE(dialogs.last().icon, Dialogs::Icon::Exclamation);
        QVERIFY(dialogs.last().text.endsWith(QStringLiteral("\nNão foi possivel conectar ao servidor")));
        QVERIFY(dialogs.last().text.contains(QDir::toNativeSeparators(path)));
        QCOMPARE(fileBytes(path), QByteArray("isto não é um banco de dados"));
        QVERIFY(!db.isOpen() && !session.Settings.susuario);
    }

    // The command line's folder; else a book beside the program; else the user's folder.
    void dataFolderChoice()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        const QString given = program.filePath(QStringLiteral("dados"));
        QCOMPARE(Startup::resolveDataDir(QString(), program.path(), user.path()), user.path());
        writeFile(program.filePath(QStringLiteral("bd.mdb")), QByteArray());
        QCOMPARE(Startup::resolveDataDir(QString(), program.path(), user.path()), program.path());
        QCOMPARE(Startup::resolveDataDir(given, program.path(), user.path()), given);
    }

    // Both ways of reading rows give the same values, nulls and errors; a
    // reader gone before its last row leaves no lock on the book.
    void rowReader_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("sqlite") << int(RowReader::Path::Fastest);
        QTest::newRow("portable") << int(RowReader::Path::Portable);
    }
    void rowReader()
    {
        QFETCH(int, path);
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("D'ÁVILA"));
        const QString description = QStringLiteral("Compra de \"material\" — 10 €");
        book.addEntry(QStringLiteral("2024-03-01"), QStringLiteral("08:05:09"), account, description,
                      QStringLiteral("1.234,56"), std::nullopt, QStringLiteral(""));
        book.exec(QStringLiteral("insert into caixa (data, hora, entrada) values ('2024-03-02', '23:59', 12.5)"));
        {
            RowReader row(book.db, QStringLiteral("select * from caixa where data >= ? order by id"),
                          {QStringLiteral("2024-01-01")}, RowReader::Path(path));
            QVERIFY2(row.ok(), qPrintable(row.error()));
            const int idconta = row.indexOf(QStringLiteral("idconta"));
            const int descricao = row.indexOf(QStringLiteral("DESCRICAO"));
            const int entrada = row.indexOf(QStringLiteral("entrada"));
            const int saida = row.indexOf(QStringLiteral("saida"));
            const int ndoc = row.indexOf(QStringLiteral("ndoc"));
            const int hora = row.indexOf(QStringLiteral("hora"));
            QCOMPARE(row.indexOf(QStringLiteral("inexistente")), -1);

            QVERIFY(row.next());
            QCOMPARE(row.integer(idconta), std::optional<qint64>(account));
            QCOMPARE(row.date(row.indexOf(QStringLiteral("data"))), QDate(2024, 3, 1));
            QCOMPARE(row.time(hora), QTime(8, 5, 9));
            QCOMPARE(row.text(descricao).toString(), description);
            QVERIFY(row.isInteger(entrada));
            QCOMPARE(row.integer(entrada), std::optional<qint64>(12345600));
            QVERIFY(row.isNull(saida) && !row.integer(saida));
            QVERIFY(!row.isNull(ndoc) && row.text(ndoc).isEmpty());

            QVERIFY(row.next());
            QVERIFY(row.isNull(idconta) && row.isNull(descricao));
            QCOMPARE(row.time(hora), QTime(23, 59));
            QVERIFY(!row.isInteger(entrada));
            QCOMPARE(row.value(entrada).toDouble(), 12.5);
            QVERIFY(!row.next());
            QVERIFY(row.ok());

            RowReader bad(book.db, QStringLiteral("select * from tabela_inexistente"), {}, RowReader::Path(path));
            QVERIFY(!bad.ok() && !bad.error().isEmpty() && !bad.next());
            RowReader unfinished(book.db, QStringLiteral("select * from contas"), {}, RowReader::Path(path));
            QVERIFY(unfinished.next());
        }
        DbConnection other;
        QVERIFY(other.open(book.bookPath()).ok());
        QVERIFY(QSqlQuery(other.database()).exec(QStringLiteral("insert into contas (descricao) values ('X')")));
    }
};

LIVRO_TEST(tst_Book)
#include "tst_Book.moc"
