#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/RowReader.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The file of a book of ours after the statements ran on it.
QByteArray bookAfter(const QStringList& statements)
{
    TestBook book;
    for (const QString& statement : statements)
        book.exec(statement);
    book.db.close();
    return fileBytes(book.bookPath());
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
        DbConnection db;
        const Status opened = db.open(dir.filePath(u"sub/bd.mdb"_s));
        QVERIFY2(opened.ok(), qPrintable(opened.reason()));
        QCOMPARE(filesIn(dir.filePath(u"sub"_s)), QStringList{u"bd.mdb"_s});
        QSqlQuery q(db.database());
        for (const QString& sql :
             {u"insert into caixa (descricao) values ('a')"_s, u"delete from caixa"_s,
              u"insert into caixa (descricao) values ('b')"_s})
            QVERIFY(q.exec(sql));
        const auto value = [&q](const QString& sql) {
            return q.exec(sql) && q.next() ? q.value(0).toString() : QString();
        };
        QCOMPARE(value(u"PRAGMA journal_mode"_s), u"delete"_s);
        QCOMPARE(value(u"PRAGMA synchronous"_s), u"2"_s); // FULL
        QCOMPARE(value(u"select id from caixa"_s), u"2"_s);
    }

    // Anything that is not a sound book of ours is refused with its reason,
    // and is neither written to nor joined by other files.
    void unusableFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good = bookAfter(
            {u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 400) "
             "insert into caixa (data, descricao, entrada) select '2026-01-01', "
             "'Lançamento número ' || i || ' com uma descrição comprida', 100000 from n"_s});
        QVERIFY(good.size() > 16 * 4096);
        QByteArray scrambled = good;
        for (qsizetype i = good.size() / 2; i < good.size() / 2 + 4096; ++i)
            scrambled[i] = char((i * 7919) & 0xFF);
        QByteArray jet(4096, '\0');
        jet.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));

        QTest::newRow("empty file") << QByteArray() << u"vazio"_s;
        QTest::newRow("text file")
            << QByteArray("Livro de caixa de 2019\nsaldo 100,00\n") << u"não é um livro"_s;
        QTest::newRow("cut mid page") << good.left(good.size() / 2 + 100) << u"incompleto"_s;
        QByteArray staleCount = good.left(good.size() / 2 + 100);
        staleCount[95] = char(staleCount[95] ^ 1); // the page count in the header no longer counts
        QTest::newRow("cut mid page, stale page count") << staleCount << u"incompleto"_s;
        QTest::newRow("cut at page boundary") << good.left(8 * 4096) << u"incompleto"_s;
        QTest::newRow("header only") << good.left(100) << u"incompleto"_s;
        QTest::newRow("scrambled pages") << scrambled << u"danificado"_s;
        QTest::newRow("Access file") << jet << u"Access"_s;
        QTest::newRow("another program's database")
            << bookAfter({u"drop table caixa"_s}) << u"falta a tabela caixa"_s;
        QTest::newRow("original column lost")
            << bookAfter({u"alter table caixa drop column descricao"_s}) << u"caixa.descricao"_s;
    }
    void unusableFilesAreLeftUntouched()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"bd.mdb"_s);
        writeFile(path, bytes);
        DbConnection db;
        const Status opened = db.open(path);
        QVERIFY(!opened.ok());
        VERIFY_CONTAINS(opened.reason(), reasonPart);
        QVERIFY(!db.isOpen());
        QVERIFY(!QSqlQuery(db.database()).exec(u"insert into contas (descricao) values ('X')"_s));
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(filesIn(dir.path()), QStringList{u"bd.mdb"_s});
    }

    // A new data folder gets a book, and the user the common level, without login.
    void startup()
    {
        TestBook book;
        book.db.close();
        QVERIFY(QFile::remove(book.bookPath()));
        book.session.CurrentUser = {u"maria"_s, u"r"_s};
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(book.dialogs.shown.isEmpty());
        QVERIFY(book.db.isOpen());
        QCOMPARE(book.session.CurrentUser.userLevel, u"c"_s);
        QCOMPARE(book.session.CurrentUser.userName, QString());
    }

    // The command line's folder; else a book beside the program; else the user's folder.
    void dataFolderChoice()
    {
        QTemporaryDir program, user;
        const QString given = program.filePath(u"dados"_s);
        QCOMPARE(DataFolder::resolve(QString(), program.path(), user.path()), user.path());
        writeFile(program.filePath(u"bd.mdb"_s), QByteArray());
        QCOMPARE(DataFolder::resolve(QString(), program.path(), user.path()), program.path());
        QCOMPARE(DataFolder::resolve(given, program.path(), user.path()), given);
    }

    // Both ways of reading rows report errors; a reader gone before its last
    // row leaves no lock on the book. (Their values are read by every grid
    // test on a file book and by the server programs on the portable path.)
    void rowReaderErrorsAndLocks_data()
    {
        QTest::addColumn<int>("path");
        QTest::newRow("sqlite") << int(RowReader::Path::Fastest);
        QTest::newRow("portable") << int(RowReader::Path::Portable);
    }
    void rowReaderErrorsAndLocks()
    {
        QFETCH(int, path);
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        {
            RowReader bad(book.db, u"select * from tabela_inexistente"_s, {},
                          RowReader::Path(path));
            QVERIFY(!bad.status().ok());
            QVERIFY(!bad.status().reason().isEmpty());
            QVERIFY(!bad.next());
            RowReader unfinished(book.db, u"select * from contas"_s, {}, RowReader::Path(path));
            QVERIFY(unfinished.next());
        }
        DbConnection other;
        QVERIFY(other.open(book.bookPath()).ok());
        QVERIFY(QSqlQuery(other.database()).exec(u"insert into contas (descricao) values ('X')"_s));
    }
};

LIVRO_TEST(tst_Book)
#include "tst_Book.moc"
