#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "book/Backup.h"
#include "core/BookHealth.h"
#include "core/BookLock.h"
#include "core/DataFolder.h"
#include "core/FileAccess.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A data folder whose book another run of the program may already hold.
struct Desk
{
    explicit Desk(const QString& dataDir) : session(db, dialogs, clock, dataDir) {}
    DbConnection db;
    FakeDialogs dialogs;
    FixedClock clock;
    Session session;
};

QString userName()
{
    const passwd* user = getpwuid(geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

qint64 lockOwner(const QString& bookPath)
{
    QFile lock(BookLock::lockPath(bookPath));
    return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed().toLongLong() : 0;
}

unsigned modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

gid_t groupOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_gid : gid_t(-1);
}

// A group other than the user's own that a folder can be given: any group
// for root, one the user belongs to otherwise.
std::optional<gid_t> anotherGroup()
{
    if (geteuid() == 0)
        return getegid() + 4242;
    gid_t groups[64];
    const int count = getgroups(64, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] != getegid())
            return groups[i];
    }
    return std::nullopt;
}

// The umask of a careless session: files would come out readable by all.
struct OpenUmask
{
    OpenUmask() : m_old(::umask(0)) {}
    ~OpenUmask() { ::umask(m_old); }
    mode_t m_old;
};

// Every file the program writes for a book in `dir`: the book, the record
// of its clean close, its lock (held until `lock` goes) and a backup (the last).
QStringList writeBookFiles(const QString& dir, std::unique_ptr<BookLock>& lock)
{
    const QString book = DataFolder::bookPath(dir);
    {
        DbConnection db;
        if (!db.open(book))
            qFatal("no book");
    }
    lock = std::make_unique<BookLock>(book);
    if (lock->take() != BookLock::Outcome::Taken)
        qFatal("no lock");
    const Backup::Outcome backup =
        Backup::make(book, 5, QDateTime(QDate(2026, 12, 5), QTime(14, 3)));
    if (!backup.copy)
        qFatal("no backup: %s", qPrintable(backup.copy.reason()));
    return {book, BookHealth::recordPath(book), BookLock::lockPath(book), backup.file};
}
} // namespace

// One program at a time on a file book: the lock beside it says who holds
// it. The book and the files beside it are its user's alone, or its group's.
class tst_BookLock : public QObject
{
    Q_OBJECT

private slots:
    // A second start on a book in use says who holds it and since when, and
    // opens nothing; the first keeps its book and its lock.
    void aSecondStartIsRefused()
    {
        TestBook book;
        book.db.close();
        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(book.db.isOpen() && book.dialogs.shown.isEmpty());
        const QByteArray before = fileBytes(book.bookPath());

        Desk second(book.dir());
        Startup::Main(second.session);
        QVERIFY(!second.db.isOpen() && !second.session.bookLock);
        QCOMPARE(second.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& told = second.dialogs.last();
        QCOMPARE(told.title, u"A T E  Ç Ã O"_s);
        const QString since = QFileInfo(BookLock::lockPath(book.bookPath()))
                                  .lastModified()
                                  .toString(u"dd/MM/yyyy HH:mm"_s);
        VERIFY_CONTAINS(told.text,
                        u"já está aberto pelo usuário %1 no computador %2 desde %3"_s.arg(
                            userName(), QSysInfo::machineHostName(), since));
        QCOMPARE(fileBytes(book.bookPath()), before);
        QCOMPARE(lockOwner(book.bookPath()), QCoreApplication::applicationPid());
        QVERIFY(
            QSqlQuery(book.db.database()).exec(u"insert into contas (descricao) values ('A')"_s));
    }

    // The lock of a program of this computer that no longer runs (a crash, a
    // power cut) is taken over without a question.
    void aCrashedProgramsLockIsTakenOver()
    {
        TestBook book;
        book.db.close();
        QProcess ended; // whose id is then that of no running program
        ended.start(u"true"_s, QStringList());
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        // A lock file as QLockFile writes it: process id, program, computer.
        writeFile(BookLock::lockPath(book.bookPath()), QByteArray::number(pid) + "\nlivro-caixa\n" +
                                                           QSysInfo::machineHostName().toUtf8() +
                                                           '\n');
        Startup::Main(book.session);
        QVERIFY(book.db.isOpen());
        QVERIFY2(book.dialogs.shown.isEmpty(), qPrintable(book.dialogs.texts().join(u'\n')));
        QCOMPARE(lockOwner(book.bookPath()), QCoreApplication::applicationPid());
    }

    // Another computer's lock (a book in a network folder), or one that
    // cannot be read, is taken over only after the user says the program
    // that held it is closed; the question names the computer when it can.
    void foreignLocksAskFirst_data()
    {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<bool>("release");
        QTest::addColumn<QString>("asked");
        const QByteArray other = "4242\nlivro-caixa\nCAIXA-LOJA-2\n";
        QTest::newRow("kept") << other << false << u"no computador CAIXA-LOJA-2"_s;
        QTest::newRow("released") << other << true << u"no computador CAIXA-LOJA-2"_s;
        QTest::newRow("unreadable") << QByteArray() << false << u"não pôde ser identificado"_s;
    }
    void foreignLocksAskFirst()
    {
        QFETCH(QByteArray, lock);
        QFETCH(bool, release);
        QFETCH(QString, asked);
        TestBook book;
        book.db.close();
        writeFile(BookLock::lockPath(book.bookPath()), lock);
        book.dialogs.answers = {release ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        Startup::Main(book.session);
        QCOMPARE(book.dialogs.shown.constFirst().buttons, Dialogs::Buttons::YesNo);
        VERIFY_CONTAINS(book.dialogs.shown.constFirst().text, asked);
        QCOMPARE(book.db.isOpen(), release);
        QCOMPARE(book.dialogs.shown.size(), release ? 1 : 2);
        if (release)
            QCOMPARE(lockOwner(book.bookPath()), QCoreApplication::applicationPid());
        else
            QCOMPARE(fileBytes(BookLock::lockPath(book.bookPath())), lock);
    }

    // A folder where no lock can be made (a file stands where the folder
    // should be) is told as such.
    void aLockThatCannotBeMadeIsTold()
    {
        TestBook book;
        BookLock lock(book.dir() + u"/arquivo/bd.mdb"_s);
        writeFile(book.dir() + u"/arquivo"_s, "x");
        QCOMPARE(lock.take(), BookLock::Outcome::Failed);
        VERIFY_CONTAINS(lock.failure(), u"bd.mdb.lock"_s);
    }

    // The book, its backups and what the program keeps beside them are readable
    // by their user alone; a folder shared on purpose stays shared with its group.
    // Folders the program creates are private, one that exists keeps its
    // permissions, and in a folder of the user's own every file the program
    // writes is 0600, whatever the umask. A file where a folder should be is named.
    void foldersAndFilesThatTheProgramCreatesArePrivate()
    {
        const OpenUmask careless;
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0705) == 0);
        const QString nested = dir.filePath(u"dados/loja"_s);
        QVERIFY(FileAccess::makeFolder(nested).ok());
        QVERIFY(FileAccess::makeFolder(nested).ok());
        QCOMPARE(QString::number(modeOf(dir.filePath(u"dados"_s)), 8), u"700"_s);
        QCOMPARE(QString::number(modeOf(nested), 8), u"700"_s);
        QCOMPARE(QString::number(modeOf(dir.path()), 8), u"705"_s);
        std::unique_ptr<BookLock> lock;
        for (const QString& file : writeBookFiles(nested, lock))
            QCOMPARE(file + u' ' + QString::number(modeOf(file), 8), file + u" 600"_s);

        writeFile(dir.filePath(u"arquivo"_s), "x");
        const Status refused = FileAccess::makeFolder(dir.filePath(u"arquivo/dados"_s));
        QVERIFY2(!refused.ok() && refused.reason().contains(u"arquivo"_s),
                 qPrintable(refused.reason()));
    }

    // In a folder its owner made writable for the group, the files are read
    // and written by the group too (never by others) and take the folder's group.
    void aSharedFolderStaysShared_data()
    {
        QTest::addColumn<unsigned>("folderMode");
        QTest::addColumn<unsigned>("fileMode");
        QTest::newRow("owner and group") << 0770u << 0660u;
        QTest::newRow("readable by all") << 0775u << 0660u;
        QTest::newRow("group writes, reads not") << 0730u << 0620u;
        QTest::newRow("group reads only") << 0750u << 0600u;
    }
    void aSharedFolderStaysShared()
    {
        QFETCH(unsigned, folderMode);
        QFETCH(unsigned, fileMode);
        const auto group = anotherGroup();
        if (!group)
            QSKIP("the user belongs to no second group");
        const OpenUmask careless;
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        QCOMPARE(::chown(folder.constData(), uid_t(-1), *group), 0);
        QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);
        const bool shared = folderMode & S_IWGRP;
        std::unique_ptr<BookLock> lock;
        const QStringList files = writeBookFiles(dir.path(), lock);
        // The backups' folder is shared the same way, so every desk can back up.
        const QString backups = QFileInfo(files.constLast()).absolutePath();
        QCOMPARE(QString::number(modeOf(backups), 8),
                 QString::number(shared ? 0700 | (folderMode & 070) : 0700, 8));
        QCOMPARE(groupOf(backups) == *group, shared);
        for (const QString& file : files) {
            QCOMPARE(file + u' ' + QString::number(modeOf(file), 8),
                     file + u' ' + QString::number(fileMode, 8));
            QCOMPARE(groupOf(file) == *group, shared);
        }
    }
};

LIVRO_TEST(tst_BookLock)
#include "tst_BookLock.moc"
