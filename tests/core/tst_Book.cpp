#include "TestBook.h"
#include "TestMain.h"
#include "core/DbConnection.h"
#include "core/EnsureColumn.h"
#include "core/Schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
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

// A book of ours with enough entries to span many pages.
QByteArray bookWithEntries(int entries)
{
    TestBook book;
    const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
    book.exec(QStringLiteral("begin"));
    for (int i = 0; i < entries; ++i)
        book.addEntry(QStringLiteral("2026-01-01"), QStringLiteral("08:00:00"), account,
                      QStringLiteral("Lançamento número %1 com uma descrição comprida").arg(i),
                      QStringLiteral("10,00"), QStringLiteral("0,00"));
    book.exec(QStringLiteral("commit"));
    book.db.close();
    return fileBytes(book.bookPath());
}

// An older book: the original tables without the late columns.
void createOlderBook(const QString& path)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("create table caixa (id integer primary key, idconta integer, data text, "
                                      "hora text, descricao text, entrada integer, saida integer)")));
        QVERIFY(q.exec(QStringLiteral("create table contas (id integer primary key, descricao text, saldo integer)")));
        QVERIFY(q.exec(QStringLiteral("create table saldos (data text, saldo integer)")));
        QVERIFY(q.exec(QStringLiteral("create table opcoes (lembrar integer, susuario integer, usuario text, "
                                      "corfundoentrada text, corletraentrada text, corfundosaida text, "
                                      "corletrasaida text, bkpautomatico integer, qtdarquivosbkp integer)")));
        QVERIFY(q.exec(QStringLiteral("create table usuarios (id integer primary key, usuario text, nome text, "
                                      "senha text, email text, dica text, pergunta text, resposta text)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
}

} // namespace

class tst_Book : public QObject
{
    Q_OBJECT

private slots:
    void newBookHasTheFullSchema()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/bd.mdb"));
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY2(opened.ok(), qPrintable(opened.reason()));
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(path + QStringLiteral(".novo")));
        for (const QString& table : Schema::tableNames()) {
            const QSqlRecord record = db.database().record(table);
            for (const QString& column : Schema::originalColumns(table) + Schema::lateColumns(table))
                QVERIFY2(record.indexOf(column) >= 0, qPrintable(table + u'.' + column));
        }
        QSqlQuery q(db.database());
        QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("delete"));
        QVERIFY(q.exec(QStringLiteral("PRAGMA synchronous")) && q.next());
        QCOMPARE(q.value(0).toInt(), 2); // FULL
        // The ids of deleted entries are never handed out again.
        QVERIFY(q.exec(QStringLiteral("insert into caixa (descricao) values ('a')")));
        QVERIFY(q.exec(QStringLiteral("delete from caixa")));
        QVERIFY(q.exec(QStringLiteral("insert into caixa (descricao) values ('b')")));
        QVERIFY(q.exec(QStringLiteral("select id from caixa")) && q.next());
        QCOMPARE(q.value(0).toInt(), 2);
    }

    void olderBookOpens()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        createOlderBook(path);
        DbConnection db;
        QVERIFY(db.open(path).ok());
        QVERIFY(db.database().record(QStringLiteral("caixa")).indexOf(QStringLiteral("ndoc")) < 0);
    }

    void unusableFilesAreRefusedAndLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonPart");

        const QByteArray good = bookWithEntries(400);
        QVERIFY(good.size() > 16 * 4096);
        QByteArray scrambled = good;
        for (qsizetype i = good.size() / 2; i < good.size() / 2 + 4096; ++i)
            scrambled[i] = char((i * 7919) & 0xFF);

        QTest::newRow("empty file") << QByteArray() << QStringLiteral("vazio");
        QTest::newRow("text file") << QByteArray("Livro de caixa de 2019\nsaldo 100,00\n") << QStringLiteral("não é um livro");
        QTest::newRow("cut mid page") << good.left(good.size() / 2 + 100) << QStringLiteral("incompleto");
        QTest::newRow("cut at page boundary") << good.left(8 * 4096) << QStringLiteral("incompleto");
        QTest::newRow("header only") << good.left(100) << QStringLiteral("incompleto");
        QTest::newRow("scrambled pages") << scrambled << QStringLiteral("bd.mdb");
        QByteArray jet(4096, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QTest::newRow("Access file") << jet << QStringLiteral("Access");
    }
    void unusableFilesAreRefusedAndLeftUntouched()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        writeFile(path, bytes);
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(reasonPart), qPrintable(opened.reason()));
        QVERIFY(!db.isOpen());
        QSqlQuery q(db.database());
        QVERIFY(!q.exec(QStringLiteral("insert into contas (descricao) values ('X')")));
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bd.mdb")});
    }

    // SQLite files that are not cash books: another program's, or a book
    // that lost one of its original columns.
    void foreignDatabasesAreRefused_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("another program") << "create table contatos (nome text)" << "falta a tabela caixa";
        QTest::newRow("column lost") << "alter table caixa drop column saida" << "caixa.saida";
    }
    void foreignDatabasesAreRefused()
    {
        QFETCH(QString, statement);
        QFETCH(QString, reasonPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        if (statement.startsWith(u"alter"))
            createOlderBook(path);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(statement));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QByteArray before = fileBytes(path);
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(reasonPart), qPrintable(opened.reason()));
        QCOMPARE(fileBytes(path), before);
    }

    void folderThatCannotHoldTheBook()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("arquivo")), "x");
        DbConnection db;
        const Status opened = db.open(dir.filePath(QStringLiteral("arquivo/bd.mdb")));
        QVERIFY(!opened.ok());
        QVERIFY2(opened.reason().contains(QStringLiteral("pasta")), qPrintable(opened.reason()));
    }

    void ensureColumn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        createOlderBook(path);
        DbConnection db;
        QVERIFY(db.open(path).ok());
        QSqlQuery(db.database()).exec(QStringLiteral("insert into caixa (descricao) values ('antigo')"));

        QVERIFY(EnsureColumn(db, QStringLiteral("caixa"), QStringLiteral("ndoc"), QStringLiteral("varchar (255)")));
        QSqlRecord record = db.database().record(QStringLiteral("caixa"));
        QVERIFY(record.indexOf(QStringLiteral("ndoc")) >= 0);
        QCOMPARE(record.count(), 8);

        // A second time the column exists: false, and the table is as it was.
        QVERIFY(!EnsureColumn(db, QStringLiteral("caixa"), QStringLiteral("ndoc"), QStringLiteral("varchar (255)")));
        QCOMPARE(db.database().record(QStringLiteral("caixa")).count(), 8);
        QSqlQuery q(db.database());
        QVERIFY(q.exec(QStringLiteral("select descricao, ndoc from caixa")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("antigo"));
        QVERIFY(q.value(1).isNull());

        QVERIFY(EnsureColumn(db, QStringLiteral("usuarios"), QStringLiteral("restrito"), QStringLiteral("Bit")));
        QVERIFY(EnsureColumn(db, QStringLiteral("opcoes"), QStringLiteral("moeda"), QStringLiteral("varchar (20)")));
        QVERIFY(!EnsureColumn(db, QStringLiteral("tabela_inexistente"), QStringLiteral("x"), QStringLiteral("Bit")));
    }
};

LIVRO_TEST(tst_Book)
#include "tst_Book.moc"
