#include "TestBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "core/BookLock.h"
#include "core/DataFolder.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTest>

#include <pwd.h>
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

// A lock file as QLockFile writes it: process id, program, computer.
void writeLock(const QString& bookPath, qint64 pid, const QString& computer)
{
    QFile lock(BookLock::lockPath(bookPath));
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lock.write(QByteArray::number(pid) + "\nlivro-caixa\n" + computer.toUtf8() + '\n');
}

// The id of a process that has ended.
qint64 endedProcessId()
{
    QProcess process;
    process.start(u"true"_s, QStringList());
    process.waitForFinished();
    return process.processId() > 0 ? process.processId() : 999999;
}

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

} // namespace

// One program at a time on a file book: the lock beside it says who holds it.
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
        QVERIFY2(
            told.text.contains(u"já está aberto pelo usuário %1 no computador %2 desde %3"_s.arg(
                userName(), QSysInfo::machineHostName(), since)),
            qPrintable(told.text));
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
        writeLock(book.bookPath(), endedProcessId(), QSysInfo::machineHostName());
        Startup::Main(book.session);
        QVERIFY(book.db.isOpen());
        QVERIFY2(book.dialogs.shown.isEmpty(), qPrintable(book.dialogs.texts().join(u'\n')));
        QCOMPARE(lockOwner(book.bookPath()), QCoreApplication::applicationPid());
    }

    // Another computer's lock (a book in a network folder) is taken over only
    // after the user says the program there is closed; the question names it.
    void anotherComputersLockAsksFirst_data()
    {
        QTest::addColumn<bool>("release");
        QTest::newRow("kept") << false;
        QTest::newRow("released") << true;
    }
    void anotherComputersLockAsksFirst()
    {
        QFETCH(bool, release);
        TestBook book;
        book.db.close();
        writeLock(book.bookPath(), 4242, u"CAIXA-LOJA-2"_s);
        book.dialogs.answers = {release ? Dialogs::Answer::Yes : Dialogs::Answer::No};
        Startup::Main(book.session);
        QVERIFY(book.dialogs.shown.size() >= 1);
        const FakeDialogs::Shown& asked = book.dialogs.shown.constFirst();
        QCOMPARE(asked.buttons, Dialogs::Buttons::YesNo);
        QVERIFY2(asked.text.contains(u"no computador CAIXA-LOJA-2"_s), qPrintable(asked.text));
        QCOMPARE(book.db.isOpen(), release);
        QCOMPARE(book.dialogs.shown.size(), release ? 1 : 2);
        if (!release)
            QVERIFY2(book.dialogs.last().text.contains(u"já está aberto"_s),
                     qPrintable(book.dialogs.last().text));
        QCOMPARE(lockOwner(book.bookPath()), release ? QCoreApplication::applicationPid() : 4242);
    }

    // A lock that cannot be read tells nobody's name: only the user can say
    // whether its program still runs.
    void anUnreadableLockAsksFirst()
    {
        TestBook book;
        book.db.close();
        QFile lock(BookLock::lockPath(book.bookPath()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        book.dialogs.answers = {Dialogs::Answer::No};
        Startup::Main(book.session);
        QVERIFY(!book.db.isOpen());
        QVERIFY2(book.dialogs.shown.constFirst().text.contains(u"não pôde ser identificado"_s),
                 qPrintable(book.dialogs.shown.constFirst().text));
    }

    // A book that cannot be opened is not held: nothing stops the next start.
    void aBookThatIsNotOpenedIsNotHeld()
    {
        TestBook book;
        book.db.close();
        QFile file(book.bookPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("isto não é um livro de caixa");
        file.close();
        Startup::Main(book.session);
        QVERIFY(!book.db.isOpen() && !book.session.bookLock);
        QVERIFY(!QFile::exists(BookLock::lockPath(book.bookPath())));
    }

    // A folder where no lock can be made (a file stands where the folder
    // should be) is told as such.
    void aLockThatCannotBeMadeIsTold()
    {
        TestBook book;
        BookLock lock(book.dir() + u"/arquivo/bd.mdb"_s);
        QFile file(book.dir() + u"/arquivo"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(lock.take(), BookLock::Outcome::Failed);
        QVERIFY2(lock.failure().contains(u"bd.mdb.lock"_s), qPrintable(lock.failure()));
    }
};

LIVRO_TEST(tst_BookLock)
#include "tst_BookLock.moc"
