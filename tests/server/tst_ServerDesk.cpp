// What belongs to one desk of a server book and what to the book: the
// remembered user and the colours stay on the desk, login and the backups
// to keep are shared, and login is not switched off from a desk's command
// line.

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "core/DeskSettings.h"
#include "core/SettingsStore.h"

#include <QFile>
#include <QProcess>
#include <QTest>

class tst_ServerDesk : public QObject
{
    Q_OBJECT

private:
    static SettingsChoice choice()
    {
        SettingsChoice c;
        c.susuario = true;
        c.corfundoentrada = QStringLiteral("#112233");
        c.corletraentrada = QStringLiteral("#000000");
        c.corfundosaida = QStringLiteral("#445566");
        c.corletrasaida = QStringLiteral("#ffffff");
        c.moeda = QStringLiteral("R$");
        c.indioma = QStringLiteral("Português");
        c.qtdarquivosbkp = 9;
        return c;
    }

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    void theRememberedUserStaysOnTheDesk()
    {
        TestBook book;
        QVERIFY(SettingsStore::rememberUser(book.db, true, QStringLiteral("ANA")).ok());
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes where usuario = 'ANA'"))
                     .toInt(),
                 0);
        SettingsValues here;
        LoadSettings(book.db, here);
        QVERIFY(here.lembrar);
        QCOMPARE(here.usuario, QStringLiteral("ANA"));
        // Another computer: settings of its own, none of this desk's.
        DeskSettings::open().clear();
        SettingsValues there;
        LoadSettings(book.db, there);
        QVERIFY(!there.lembrar);
        QCOMPARE(there.usuario, QString());
    }

    void coloursAreTheDesksLoginAndBackupsTheBooks()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice()).ok());
        // A second desk chose colours of its own afterwards...
        SettingsChoice other = choice();
        other.corfundoentrada = QStringLiteral("#abcdef");
        DeskSettings::open().clear();
        QVERIFY(SettingsStore::save(book.db, other).ok());
        // ...and the first desk, with its settings back, keeps its colour.
        {
            QSettings first = DeskSettings::open();
            first.beginGroup(DeskSettings::bookGroup(book.db.location()));
            first.setValue(QStringLiteral("corfundoentrada"), QStringLiteral("#112233"));
        }
        SettingsValues here;
        LoadSettings(book.db, here);
        QCOMPARE(here.corfundoentrada, QStringLiteral("#112233"));
        QVERIFY(here.susuario);
        QCOMPARE(here.qtdarquivosbkp, qint16(9));
        // A third desk that never chose shows the last colours the book got.
        DeskSettings::open().clear();
        SettingsValues third;
        LoadSettings(book.db, third);
        QCOMPARE(third.corfundoentrada, QStringLiteral("#abcdef"));
    }

    void loginIsNotSwitchedOffFromADesksCommandLine()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice()).ok());
        QFile ini(book.dir() + QStringLiteral("/livro-caixa.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[servidor]\nurl=" + book.db.location().toUtf8() + "\n");
        ini.close();
        QProcess program;
        program.start(QStringLiteral(LIVRO_PROGRAM), {QStringLiteral("--disable-login"),
                                                      QStringLiteral("--data-dir"), book.dir()});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(QString::fromUtf8(program.readAllStandardError())
                    .contains(QStringLiteral("o login não foi desligado")));
        QCOMPARE(book.scalar(QStringLiteral("select susuario from opcoes")).toInt(), 1);
    }
};

LIVRO_TEST(tst_ServerDesk)
#include "tst_ServerDesk.moc"
