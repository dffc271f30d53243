#include "Controls.h"
#include "ProgramRun.h"
#include "TestBook.h"
#include "TestMain.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "users/frmLogin.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The real program, with a display that does not exist: whatever it does
// must not need one.
ProgramRun run(const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"DISPLAY"_s, u":987"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    return runProgram(QStringLiteral(LIVRO_PROGRAM), arguments, env, 20000);
}

} // namespace

// The command line and the program's identity on the desktop.
class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Mistakes in the options are told as usage errors, and --help says
    // where the data folder is (the three rules and this user's folder),
    // without a display.
    void usageNeedsNoDisplay()
    {
        const ProgramRun unknown = ::run({u"--bogus"_s});
        QCOMPARE(unknown.status, 1);
        VERIFY_CONTAINS(unknown.err, u"bogus"_s);
        const ProgramRun missing = ::run({u"--data-dir"_s});
        QCOMPARE(missing.status, 1);
        VERIFY_CONTAINS(missing.err, u"--data-dir"_s);
        const ProgramRun help = ::run({u"--help"_s});
        QCOMPARE(help.status, 0);
        for (const QString& rule :
             {u"1. a pasta dada com --data-dir"_s, u"2. senão, a pasta do próprio programa"_s,
              qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + u"/.local/share"_s) +
                  u"/livro-caixa."_s})
            VERIFY_CONTAINS(help.out, rule);
    }

    void disableLogin_data()
    {
        QTest::addColumn<QString>("book"); // none, held by a running program, or free
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("told");
        QTest::newRow("no book") << "none" << 1 << "não há livro de caixa em";
        QTest::newRow("book held") << "held" << 1 << "já está aberto";
        QTest::newRow("book free") << "free" << 0 << "desligado";
    }
    // Whoever holds the data folder can switch login off from the command
    // line, but only where there is a book (no empty one is made there) and
    // while no program holds it.
    void disableLogin()
    {
        QFETCH(QString, book);
        QFETCH(int, status);
        QFETCH(QString, told);
        TestBook folder;
        folder.exec(u"insert into opcoes (susuario, corfundoentrada) values (1, '255')"_s);
        folder.db.close();
        QTemporaryDir empty;
        const QString dir = book == u"none" ? empty.path() : folder.dir();
        if (book == u"held")
            QCOMPARE(Startup::Main(folder.session), Startup::FirstWindow::Login);
        const ProgramRun run = ::run({u"--disable-login"_s, u"--data-dir"_s, dir});
        QCOMPARE(run.status, status);
        if (book == u"none")
            told += u' ' + dir; // the folder named
        QVERIFY2((run.out + run.err).contains(told), qPrintable(run.out + run.err));
        if (book == u"none")
            QCOMPARE(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        else if (book == u"held")
            QCOMPARE(folder.scalar(u"select susuario from opcoes"_s).toInt(), 1);
        else
            QCOMPARE(Startup::Main(folder.session), Startup::FirstWindow::Main);
    }

    // A data folder that is a file is refused with a reason that names it.
    void aFileIsNoDataFolder()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"dados"_s);
        writeFile(file, QByteArray());
        const Status prepared = CommandLine::prepare(file);
        QVERIFY2(!prepared.ok() && prepared.reason().contains(file) &&
                     prepared.reason().contains(u"é um arquivo"_s),
                 qPrintable(prepared.reason()));
        QVERIFY(CommandLine::prepare(dir.filePath(u"nova/pasta"_s)).ok());
        QVERIFY(QFileInfo(dir.filePath(u"nova/pasta"_s)).isDir());
    }

    // The desktop entry the program names is the one the package installs;
    // the login window's title is blank rather than the program's name.
    void theDesktopEntryAndTheLoginTitle()
    {
        const QString testName = QCoreApplication::applicationName();
        Startup::describeApplication(*QCoreApplication::instance());
        QCoreApplication::setApplicationName(testName);
        QVERIFY(QFile::exists(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../packaging/") +
                              QGuiApplication::desktopFileName() + u".desktop"_s));
        TestBook book;
        frmLogin login(book.session);
        QVERIFY(!login.windowTitle().isEmpty() && login.windowTitle().trimmed().isEmpty());
    }
};

LIVRO_TEST(tst_CommandLine)
#include "tst_CommandLine.moc"
