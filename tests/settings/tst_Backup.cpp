#include "TestBook.h"
#include "TestMain.h"
#include "settings/Backup.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString kFirstName = QStringLiteral("2026_12_05_14_03_09_Backup.bkp");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A cash book with a few entries, closed as the backup finds it.
struct ClosedBook : TestBook
{
    ClosedBook()
    {
        db.database().transaction();
        for (int i = 0; i < 20; ++i)
            addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt,
                     QStringLiteral("Venda %1").arg(i), QStringLiteral("10,00"), QStringLiteral("0,00"));
        db.database().commit();
        db.close();
    }
    QString backups() const { return QDir(dir()).filePath(QStringLiteral("Backups")); }
    // Earlier backups, one a day from 01/11/2026, oldest first.
    QStringList plant(int count)
    {
        QDir().mkpath(backups());
        QStringList names;
        for (int i = 0; i < count; ++i) {
            names.append(Backup::fileName(QDateTime(QDate(2026, 11, 1).addDays(i), QTime(9, 0))));
            writeFile(QDir(backups()).filePath(names.last()), "older backup");
        }
        return names;
    }
    Backup::Result backUp(int keep) { return Backup::make(bookPath(), keep, clock.now()); }
};

} // namespace

class tst_Backup : public QObject
{
    Q_OBJECT

private slots:
    void firstBackupCreatesTheFolderAndOneFile()
    {
        ClosedBook book;
        QVERIFY(!QFileInfo::exists(book.backups()));
        const Backup::Result result = book.backUp(5);
        QVERIFY2(result.copy.ok(), qPrintable(result.copy.reason()));
        QVERIFY(result.prune.ok());
        QCOMPARE(filesIn(book.backups()), QStringList{kFirstName});
        QCOMPARE(result.file, QDir(book.backups()).filePath(kFirstName));
        QCOMPARE(fileBytes(result.file), fileBytes(book.bookPath()));
    }

    void namesFollowTheMomentOnThe24HourClock_data()
    {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("name");
        QTest::newRow("afternoon") << QDateTime(QDate(2026, 12, 5), QTime(14, 3, 9)) << kFirstName;
        QTest::newRow("last second") << QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59))
                                     << "2026_01_02_23_59_59_Backup.bkp";
        QTest::newRow("midnight") << QDateTime(QDate(2027, 10, 31), QTime(0, 0, 0)) << "2027_10_31_00_00_00_Backup.bkp";
    }
    void namesFollowTheMomentOnThe24HourClock()
    {
        QFETCH(QDateTime, moment);
        QFETCH(QString, name);
        QCOMPARE(Backup::fileName(moment), name);
    }

    void theSetKeepsItsSize_data()
    {
        QTest::addColumn<int>("keep");
        QTest::addColumn<int>("present");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("oldestDeleted");
        QTest::newRow("below the number") << 5 << 3 << 4 << false;
        QTest::newRow("five of five") << 5 << 5 << 5 << true;
        QTest::newRow("keep one replaces") << 1 << 1 << 1 << true;
        QTest::newRow("lowered from 10 to 5") << 5 << 10 << 10 << true;
        QTest::newRow("never set") << 0 << 2 << 2 << true;
    }
    void theSetKeepsItsSize()
    {
        QFETCH(int, keep);
        QFETCH(int, present);
        QFETCH(int, after);
        QFETCH(bool, oldestDeleted);
        ClosedBook book;
        const QStringList older = book.plant(present);
        QVERIFY(book.backUp(keep).copy.ok());
        const QStringList now = Backup::set(book.backups());
        QCOMPARE(now.size(), after);
        QCOMPARE(now.last(), kFirstName);
        // Exactly the oldest goes, however far the set exceeds the number.
        QCOMPARE(now.contains(older.first()), !oldestDeleted);
        for (const QString& name : older.mid(1))
            QVERIFY(now.contains(name));
    }

    void otherFilesAreNeitherCountedNorDeleted()
    {
        ClosedBook book;
        const QStringList older = book.plant(1);
        const QStringList others{QStringLiteral("notas.txt"), QStringLiteral("2026_01_01_Backup.bak"),
                                 QStringLiteral("bkp")};
        for (const QString& name : others)
            writeFile(QDir(book.backups()).filePath(name), "keep me");
        QVERIFY(book.backUp(2).copy.ok());
        QCOMPARE(Backup::set(book.backups()), (QStringList{older.first(), kFirstName}));
        QVERIFY(book.backUp(1).copy.ok());
        QCOMPARE(Backup::set(book.backups()).size(), 2);
        QVERIFY(!Backup::set(book.backups()).contains(older.first()));
        for (const QString& name : others)
            QCOMPARE(fileBytes(QDir(book.backups()).filePath(name)), QByteArray("keep me"));
    }

    void backupsInTheSameSecondNeverOverwrite()
    {
        ClosedBook book;
        QStringList made;
        for (int i = 0; i < 3; ++i) {
            const Backup::Result result = book.backUp(10);
            QVERIFY(result.copy.ok());
            made.append(QFileInfo(result.file).fileName());
        }
        QCOMPARE(made, (QStringList{kFirstName, QStringLiteral("2026_12_05_14_03_09_Backup_2.bkp"),
                                    QStringLiteral("2026_12_05_14_03_09_Backup_3.bkp")}));
        // Name order stays the order in which they were made.
        QCOMPARE(Backup::set(book.backups()), made);
        for (const QString& name : made)
            QCOMPARE(fileBytes(QDir(book.backups()).filePath(name)), fileBytes(book.bookPath()));

        // Past "_9" the next name must still sort after it.
        QStringList set{kFirstName, QStringLiteral("2026_12_05_14_03_09_Backup_9.bkp")};
        const QString next = Backup::newName(book.clock.now(), book.backups(), set);
        QCOMPARE(next, QStringLiteral("2026_12_05_14_03_09_Backup_90.bkp"));
        set.append(next);
        QStringList sorted = set;
        sorted.sort(Qt::CaseSensitive);
        QCOMPARE(sorted, set);
    }

    void unwritableFolderIsReportedAndChangesNothing()
    {
        ClosedBook book;
        // Tests run as root, where permissions stop nothing: a plain file
        // where the folder should be cannot hold backups either.
        writeFile(book.backups(), "not a folder");
        const QByteArray bookBefore = fileBytes(book.bookPath());
        const Backup::Result result = book.backUp(5);
        QVERIFY(!result.copy.ok());
        QVERIFY2(result.copy.reason().contains(QDir::toNativeSeparators(book.backups())),
                 qPrintable(result.copy.reason()));
        QVERIFY(result.file.isEmpty());
        QCOMPARE(fileBytes(book.backups()), QByteArray("not a folder"));
        QCOMPARE(filesIn(book.dir()), (QStringList{QStringLiteral("Backups"), QStringLiteral("bd.mdb")}));
        QCOMPARE(fileBytes(book.bookPath()), bookBefore);
    }

    void copyThatFailsTheCheckLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("not a book") << "text";
        QTest::newRow("truncated") << "truncated";
        QTest::newRow("damaged page") << "page";
    }
    void copyThatFailsTheCheckLeavesNothingBehind()
    {
        QFETCH(QString, damage);
        ClosedBook book;
        QByteArray bytes = fileBytes(book.bookPath());
        if (damage == u"text")
            bytes = "Livro de caixa em texto\n";
        else if (damage == u"truncated")
            bytes.truncate(bytes.size() / 2);
        else
            bytes.replace(4096, 4096, QByteArray(4096, '\xff'));
        writeFile(book.bookPath(), bytes);
        const QStringList older = book.plant(2);

        const Backup::Result result = book.backUp(1);
        QVERIFY(!result.copy.ok());
        QVERIFY2(result.copy.reason().contains(QDir::toNativeSeparators(book.backups())),
                 qPrintable(result.copy.reason()));
        // No temporary file, no partial backup, and the set is whole.
        QCOMPARE(filesIn(book.backups()), older);
        QCOMPARE(fileBytes(book.bookPath()), bytes);
    }

    void leftoverTemporaryFileIsCleared()
    {
        ClosedBook book;
        book.plant(1);
        const QString leftover = QDir(book.backups()).filePath(QStringLiteral("2026_11_30_09_00_00_Backup.bkp.parcial"));
        writeFile(leftover, "half");
        QVERIFY(book.backUp(5).copy.ok());
        QVERIFY(!QFileInfo::exists(leftover));
        QCOMPARE(filesIn(book.backups()).size(), 2);
    }

    void missingBookIsReported()
    {
        ClosedBook book;
        QFile::remove(book.bookPath());
        const Backup::Result result = book.backUp(5);
        QVERIFY(!result.copy.ok());
        QVERIFY(result.copy.reason().contains(QDir::toNativeSeparators(book.bookPath())));
        QVERIFY(Backup::set(book.backups()).isEmpty());
    }

    void copyOfTheLiveBookHoldsTheLastEntries()
    {
        TestBook book;
        QVERIFY(book.db.database().transaction());
        for (int i = 0; i < 200; ++i)
            book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt,
                          QStringLiteral("Lançamento %1").arg(i), QStringLiteral("1,00"), QStringLiteral("0,00"));
        QVERIFY(book.db.database().commit());
        // The last write just before closing, in a transaction of its own.
        QVERIFY(book.db.database().transaction());
        book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("14:03:00"), std::nullopt,
                      QStringLiteral("Último"), QStringLiteral("5,00"), QStringLiteral("0,00"));
        QVERIFY(book.db.database().commit());
        book.session.Settings.qtdarquivosbkp = 5;

        const Backup::Result result = RunBackup(book.session);
        QVERIFY2(result.copy.ok(), qPrintable(result.copy.reason()));
        QVERIFY(!book.db.isOpen());
        QCOMPARE(QFileInfo(result.file).fileName(), kFirstName);

        DbConnection copy;
        QVERIFY(copy.open(result.file).ok());
        QSqlQuery q(copy.database());
        QVERIFY(q.exec(QStringLiteral("select count(*), max(descricao) from caixa where hora = '14:03:00'")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(q.value(1).toString(), QStringLiteral("Último"));
        QVERIFY(q.exec(QStringLiteral("select count(*) from caixa")) && q.next());
        QCOMPARE(q.value(0).toInt(), 201);
    }
};

LIVRO_TEST(tst_Backup)
#include "tst_Backup.moc"
