#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "core/BookHealth.h"
#include "core/BookSnapshot.h"
#include "core/DataFolder.h"
#include "core/DbConnection.h"
#include "core/RowReader.h"
#include "core/Sql.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
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

// A connection of the test's own, outside the program's.
struct RawConnection
{
    explicit RawConnection(const QString& path, const QString& options = QString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        if (!db.open())
            qFatal("raw connection failed");
    }
    ~RawConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    QVariant scalar(const QString& sql) const
    {
        const auto value = Sql::scalar(db(), sql);
        return value ? *value : QVariant();
    }
    QString m_name = u"raw"_s;
};

// A book of 40 entries on one day, and one last entry, the largest in the
// (data, hora) index, on the 5th.
void fillBook(TestBook& book)
{
    const qint64 account = book.addAccount(u"CAIXA"_s);
    book.exec(u"begin"_s);
    for (int i = 0; i < 40; ++i)
        book.addEntry(u"2026-12-01"_s, QTime(8, i).toString(u"HH:mm:ss"_s), account,
                      u"Venda %1"_s.arg(i), u"10,00"_s, std::nullopt);
    book.addEntry(u"2026-12-05"_s, u"23:59:00"_s, account, u"Última"_s, u"5,00"_s, std::nullopt);
    book.exec(u"commit"_s);
    book.db.close();
}

// The index (data, hora) of the closed book tells another day for the last
// entry than its row does: the kind of damage the quick check does not see.
QByteArray damageIndex(const QString& path)
{
    qint64 root = 0;
    {
        RawConnection raw(path);
        root = raw.scalar(u"select rootpage from sqlite_master where name = 'caixa_data_hora'"_s)
                   .toLongLong();
    }
    QByteArray bytes = fileBytes(path);
    const qsizetype page = 4096;
    const qsizetype at = bytes.indexOf("2026-12-05", (root - 1) * page);
    if (root < 2 || at < 0 || at >= root * page)
        qFatal("the index page of the test book was not found");
    bytes[at + 9] = '6';
    writeFile(path, bytes);
    return bytes;
}

// A book with enough entries to span many pages, one of them unique.
struct SnapshotBook : TestBook
{
    SnapshotBook()
    {
        addAccount(u"CAIXA"_s);
        exec(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
             "insert into caixa (idconta, data, hora, descricao, entrada) select 1, "
             "'2026-01-' || (10 + i % 20), '10:00:00', 'Venda número ' || i, i * 100 from n"_s);
        addEntry(u"2026-02-01"_s, u"10:00:00"_s, 1, u"Pagamento ÚNICO do aluguel"_s, std::nullopt,
                 u"1.234,00"_s);
    }
};
} // namespace

// Opening, creating and refusing book files, and reading them. Damaged books
// caught at open without a full check on every start; indexes repaired once
// the user agrees; a book left in WAL mode switched back; a backup opened
// without a single write; consistent copies, and their check.
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

    // The full check runs whenever the file is not exactly as this program
    // last closed it: written by another program, replaced by a copy, or
    // never closed cleanly.
    void aChangedFileIsNoticed()
    {
        TestBook book;
        const QString path = book.bookPath();
        book.db.close();
        QVERIFY(BookHealth::unchangedSinceCleanClose(path));
        QVERIFY(book.db.open(path).ok());
        book.db.close();
        QVERIFY(BookHealth::unchangedSinceCleanClose(path)); // opened and closed, nothing written

        {
            RawConnection other(path);
            QVERIFY(Sql::exec(other.db(), u"insert into contas (descricao) values ('X')"_s).ok());
        }
        QVERIFY(!BookHealth::unchangedSinceCleanClose(path));

        QVERIFY(book.db.open(path).ok());
        book.db.close();
        const QByteArray bytes = fileBytes(path);
        QVERIFY(QFile::remove(path));
        writeFile(path, bytes); // the same bytes, put back by a restore
        QVERIFY(!BookHealth::unchangedSinceCleanClose(path));

        QVERIFY(book.db.open(path).ok());
        book.db.close();
        writeFile(path + u"-journal"_s, "a write cut short");
        QVERIFY(!BookHealth::unchangedSinceCleanClose(path));
        QVERIFY(QFile::remove(path + u"-journal"_s) && QFile::remove(BookHealth::recordPath(path)));
        QVERIFY(!BookHealth::unchangedSinceCleanClose(path));
    }

    // Indexes that disagree with their rows are caught, and start-up offers
    // the repair: on yes, a copy of the damaged file is kept and the indexes
    // are rebuilt from the rows; on no, the book stays closed and untouched.
    void damagedIndexesAreRepairedOnRequest_data()
    {
        QTest::addColumn<bool>("repair");
        QTest::newRow("repaired") << true;
        QTest::newRow("declined") << false;
    }
    void damagedIndexesAreRepairedOnRequest()
    {
        QFETCH(bool, repair);
        TestBook book;
        fillBook(book);
        const QByteArray damaged = damageIndex(book.bookPath());
        book.dialogs.answers = {repair ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        Startup::Main(book.session);

        const FakeDialogs::Shown& asked = book.dialogs.shown.constFirst();
        QCOMPARE(asked.title, u"Livro de caixa danificado"_s);
        QCOMPARE(asked.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(book.db.isOpen(), repair);
        const QString copy = book.dir() + u"/bd-danificado-2026_12_05_14_03_09.mdb"_s;
        QCOMPARE(QFile::exists(copy), repair);
        if (!repair) {
            QCOMPARE(fileBytes(book.bookPath()), damaged);
            QVERIFY2(book.dialogs.last().text.contains(u"índices danificados"_s) &&
                         book.dialogs.last().text.contains(u"missing from index caixa_data_hora"_s),
                     qPrintable(book.dialogs.last().text));
            return;
        }
        QCOMPARE(fileBytes(copy), damaged);
        VERIFY_CONTAINS(book.dialogs.last().text, QDir::toNativeSeparators(copy));
        QCOMPARE(book.scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        QCOMPARE(book.scalar(u"select count(*) from caixa where data = '2026-12-05'"_s).toInt(), 1);
        QCOMPARE(book.scalar(u"select sum(entrada) from caixa"_s).toLongLong(), 4050000);
    }

    // Damage beyond the indexes gets no offer of a repair, and no copy.
    void otherDamageIsOnlyReported()
    {
        TestBook book;
        fillBook(book);
        QByteArray bytes = fileBytes(book.bookPath());
        // The cell pointers of the page that holds the entries' rows.
        const qsizetype page = bytes.indexOf("Venda 7") / 4096 * 4096;
        for (qsizetype i = page + 8; i < page + 64; ++i)
            bytes[i] = char((i * 7919 + 13) & 0xFF);
        writeFile(book.bookPath(), bytes);
        Startup::Main(book.session);
        QVERIFY(!book.db.isOpen());
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"danificado"_s);
        // Nor is such a book copied as if it were sound.
        const Status sound = BookSnapshot(book.bookPath()).checkStructure();
        QVERIFY2(!sound.ok() && sound.reason().contains(u"danificado"_s),
                 qPrintable(sound.reason()));
        QCOMPARE(fileBytes(book.bookPath()), bytes);
    }

    // A book another tool left in WAL mode is switched back to the rollback
    // journal; while that tool still has it open it is refused instead.
    void aBookInWalModeIsSwitchedBackOrRefused()
    {
        TestBook book;
        book.db.close();
        {
            RawConnection tool(book.bookPath());
            QCOMPARE(tool.scalar(u"PRAGMA journal_mode=WAL"_s).toString(), u"wal"_s);
            QVERIFY(Sql::exec(tool.db(), u"begin"_s).ok());
            QVERIFY(tool.scalar(u"select count(*) from contas"_s).isValid());
            const Status refused = book.db.open(book.bookPath());
            QVERIFY2(!refused.ok() && refused.reason().contains(u"\"wal\""_s),
                     qPrintable(refused.reason()));
            QVERIFY(!book.db.isOpen());
            QVERIFY(Sql::exec(tool.db(), u"commit"_s).ok());
        }
        QCOMPARE(fileBytes(book.bookPath()).mid(18, 2), QByteArray("\x02\x02"));
        QVERIFY(book.db.open(book.bookPath()).ok());
        QCOMPARE(book.scalar(u"PRAGMA journal_mode"_s).toString(), u"delete"_s);
        QCOMPARE(fileBytes(book.bookPath()).mid(18, 2), QByteArray("\x01\x01"));
    }

    // A book killed in the middle of a commit has its header already counting
    // pages that never reached the file, and the journal beside it: SQLite
    // rolls the write back as the book opens, so it is not refused as cut short.
    void aWriteCutShortIsRolledBack()
    {
        TestBook book;
        fillBook(book);
        const QString path = book.bookPath();
        const QByteArray before = fileBytes(path);
        QByteArray journal;
        {
            // A large write on a tiny cache spills pages to the file, so its
            // journal is complete on disk before the commit, as at a crash.
            RawConnection writer(path);
            QVERIFY(Sql::exec(writer.db(), u"PRAGMA cache_size = 8"_s).ok());
            QVERIFY(Sql::exec(writer.db(), u"begin"_s).ok());
            QVERIFY(
                Sql::exec(writer.db(),
                          u"with recursive n(i) as (select 1 union all select i + 1 from n "
                          "where i < 3000) insert into caixa (data, descricao) select "
                          "'2026-12-02', 'Lançamento ' || i || ' de uma gravação longa' from n"_s)
                    .ok());
            journal = fileBytes(path + u"-journal"_s);
            QVERIFY(Sql::exec(writer.db(), u"rollback"_s).ok());
        }
        QVERIFY(journal.size() > 512);
        // The book as the kill left it: a first page that counts ten more
        // pages than the file holds, and the journal of the write.
        QByteArray crashed = before;
        const quint32 pages = quint32(before.size() / 4096 + 10);
        for (int i = 0; i < 4; ++i)
            crashed[28 + i] = char((pages >> (24 - 8 * i)) & 0xFF);
        crashed.replace(92, 4, crashed.mid(24, 4));
        writeFile(path, crashed);
        writeFile(path + u"-journal"_s, journal);

        const Status opened = book.db.open(path);
        QVERIFY2(opened.ok(), qPrintable(opened.reason()));
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 41);
        QCOMPARE(book.scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        QVERIFY(!QFile::exists(path + u"-journal"_s));
    }

    // A backup copy is opened only to be read: not a byte, not a file is
    // written, and writing through it fails.
    void aBackupIsOpenedWithoutWriting()
    {
        TestBook book;
        fillBook(book);
        const QString copy = book.dir() + u"/copia.bkp"_s;
        QVERIFY(QFile::copy(book.bookPath(), copy));
        const QByteArray bytes = fileBytes(copy);
        const QStringList files = filesIn(book.dir());

        DbConnection reader;
        QVERIFY(reader.openReadOnly(copy).ok());
        QCOMPARE(QSqlQuery(reader.database()).exec(u"delete from caixa"_s), false);
        reader.close();
        QVERIFY(!reader.openReadOnly(book.dir() + u"/nao-existe.bkp"_s).ok());
        QCOMPARE(fileBytes(copy), bytes);
        QCOMPARE(filesIn(book.dir()), files);
    }

    // The consistent copy of a book is the book byte for byte and passes. A copy with one changed
    // letter, which SQLite's integrity check still calls sound, fails, and so
    // does a copy cut short.
    void copyIsComparedWithTheBook()
    {
        SnapshotBook book;
        const QString copy = book.dir() + u"/copia.mdb"_s;
        const BookSnapshot snapshot(book.bookPath());
        QVERIFY2(snapshot.status().ok(), qPrintable(snapshot.status().reason()));
        QFile target(copy);
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(snapshot.writeTo(target).ok());
        target.close();
        QCOMPARE(fileBytes(copy), fileBytes(book.bookPath()));
        QVERIFY(snapshot.compareWith(copy).ok());

        QByteArray changed = fileBytes(copy);
        const qsizetype at = changed.indexOf("ÚNICO");
        QVERIFY(at > 0);
        changed[at + 2] = 'M'; // "ÚMICO"
        writeFile(copy, changed);
        QCOMPARE(RawConnection(copy).scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
        const Status differs = snapshot.compareWith(copy);
        QVERIFY2(!differs.ok() && differs.reason().contains(QString::number(at + 2)),
                 qPrintable(differs.reason()));

        writeFile(copy, fileBytes(book.bookPath()).chopped(4096));
        QVERIFY(!snapshot.compareWith(copy).ok());
    }

    // While the snapshot is held no write reaches the book, so the copy is
    // one moment of it; the writer gets its turn as soon as it is let go.
    void writersWaitForTheSnapshot()
    {
        SnapshotBook book;
        {
            RawConnection writer(book.bookPath(), u"QSQLITE_BUSY_TIMEOUT=50"_s);
            const QString insert = u"insert into contas (descricao) values ('BANCO')"_s;
            {
                const BookSnapshot snapshot(book.bookPath());
                QSqlQuery q(writer.db());
                QVERIFY(!q.exec(insert));
                VERIFY_CONTAINS(q.lastError().text(), u"locked"_s);
            }
            QVERIFY(QSqlQuery(writer.db()).exec(insert));
        }
        const BookSnapshot missing(book.dir() + u"/nada.mdb"_s);
        QVERIFY(!missing.status().ok() && missing.status().reason().contains(u"nada.mdb"_s));
    }
};

LIVRO_TEST(tst_Book)
#include "tst_Book.moc"
