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
};

LIVRO_TEST(tst_BookLock)
#include "tst_BookLock.moc"
