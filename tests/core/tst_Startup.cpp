#include "TestBook.h"
#include "TestMain.h"
#include "core/Startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void newDataFolderGetsANewBook()
    {
        QTemporaryDir dir;
        DbConnection db;
        FakeDialogs dialogs;
        FixedClock clock;
        Session session(db, dialogs, clock, dir.path());
        session.CurrentUser.userLevel = QStringLiteral("r");
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Main);
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(db.isOpen());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("bd.mdb"))));
        QCOMPARE(session.CurrentUser.userLevel, QStringLiteral("c"));
        QCOMPARE(session.CurrentUser.userName, QString());
        QCOMPARE(session.Settings.qtdarquivosbkp, qint16(5));
    }

    void loginSwitchNamesTheLoginWindow()
    {
        QTemporaryDir dir;
        {
            TestBook prepared;
            prepared.exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada) values (1, '255')"));
            prepared.db.close();
            QVERIFY(QFile::copy(prepared.bookPath(), dir.filePath(QStringLiteral("bd.mdb"))));
        }
        DbConnection db;
        FakeDialogs dialogs;
        FixedClock clock;
        Session session(db, dialogs, clock, dir.path());
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Login);
    }

    void damagedBookShowsTheConnectionMessageAndGoesOn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bd.mdb"));
        const QByteArray garbage("isto não é um banco de dados");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        DbConnection db;
        FakeDialogs dialogs;
        FixedClock clock;
        Session session(db, dialogs, clock, dir.path());
        QCOMPARE(Startup::Main(session), Startup::FirstWindow::Main);
        QCOMPARE(dialogs.shown.size(), 1);
        const auto& shown = dialogs.last();
        QCOMPARE(shown.title, QStringLiteral("A T E  Ç Ã O"));
        QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
        QCOMPARE(shown.buttons, Dialogs::Buttons::Ok);
        QVERIFY(shown.text.endsWith(QStringLiteral("\nNão foi possivel conectar ao servidor")));
        QVERIFY(shown.text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(!db.isOpen());
        QCOMPARE(fileBytes(path), garbage);
        // Settings could not be read: login stays off, the colours still paint.
        QVERIFY(!session.Settings.susuario);
        QCOMPARE(session.CurrentUser.userLevel, QStringLiteral("c"));
    }

    void dataFolderChoice()
    {
        QTemporaryDir program;
        QTemporaryDir user;
        const QString given = program.filePath(QStringLiteral("dados"));
        QCOMPARE(Startup::resolveDataDir(given, program.path(), user.path()), given);
        // No book beside the program: the per-user folder.
        QCOMPARE(Startup::resolveDataDir(QString(), program.path(), user.path()), user.path());
        QFile book(program.filePath(QStringLiteral("bd.mdb")));
        QVERIFY(book.open(QIODevice::WriteOnly));
        book.close();
        // A portable installation keeps its book beside the program.
        QCOMPARE(Startup::resolveDataDir(QString(), program.path(), user.path()), program.path());
        QCOMPARE(Startup::resolveDataDir(given, program.path(), user.path()), given);
    }
};

LIVRO_TEST(tst_Startup)
#include "tst_Startup.moc"
