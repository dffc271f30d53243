#include "TestBook.h"
#include "TestMain.h"
#include "cashbook/frmPrincipal.h"
#include "settings/Backup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {

const QString kClosingTitle = QStringLiteral("Finalizando software e realizando backup, aguarde...");

struct ClosingBook : TestBook
{
    explicit ClosingBook(bool automatic)
    {
        exec(QStringLiteral("insert into opcoes (susuario, corfundoentrada, bkpautomatico, qtdarquivosbkp) "
                            "values (0, '16711680', ?, 5)"),
             {int(automatic)});
        addEntry(QStringLiteral("2026-12-05"), QStringLiteral("08:00:00"), std::nullopt, QStringLiteral("Venda"),
                 QStringLiteral("100,00"), QStringLiteral("0,00"));
        LoadSettings(db, session.Settings);
    }
    QString backups() const { return QDir(dir()).filePath(QStringLiteral("Backups")); }
};

// Closes the shown window from the running event loop, as the close box
// does, and runs the application until it quits: true when closing the
// window ended the program. A guard ends a run that would not stop.
bool closingEndsTheProgram(QWidget& window)
{
    window.show();
    bool stuck = false;
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&stuck] {
        stuck = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    const int code = QApplication::exec();
    return code == 0 && !stuck && !window.isVisible();
}

} // namespace

class tst_ExitBackup : public QObject
{
    Q_OBJECT

private slots:
    void automaticBackupAsksNothing()
    {
        ClosingBook book(true);
        frmPrincipal w(book.session);
        QVERIFY(closingEndsTheProgram(w));
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(w.windowTitle(), kClosingTitle);
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(Backup::set(book.backups()), QStringList{QStringLiteral("2026_12_05_14_03_09_Backup.bkp")});
        QVERIFY(!book.db.isOpen());
    }

    void theUserIsAskedFirst()
    {
        ClosingBook book(false);
        frmPrincipal w(book.session);
        QString titleWhenAsked;
        book.dialogs.onMessage = [&](const FakeDialogs::Shown&) { titleWhenAsked = w.windowTitle(); };
        book.dialogs.answers = {Dialogs::Answer::Yes};
        QVERIFY(closingEndsTheProgram(w));

        QCOMPARE(book.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& asked = book.dialogs.last();
        QCOMPARE(asked.icon, Dialogs::Icon::Question);
        QCOMPARE(asked.title, QStringLiteral("Backup"));
        QCOMPARE(asked.text,
                 QStringLiteral("Deseja realizar backup do seu banco de dados agora?\nPode ser que demore um pouco."));
        QCOMPARE(asked.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(titleWhenAsked, kClosingTitle);
        QCOMPARE(Backup::set(book.backups()).size(), 1);
    }

    void answeringNoEndsWithoutABackup()
    {
        ClosingBook book(false);
        frmPrincipal w(book.session);
        book.dialogs.answers = {Dialogs::Answer::No};
        QVERIFY(closingEndsTheProgram(w));
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(w.windowTitle(), kClosingTitle);
        QCOMPARE(w.cursor().shape(), Qt::WaitCursor);
        QVERIFY(!QFileInfo::exists(book.backups()));
    }

    void failedBackupIsToldAndTheProgramStillEnds()
    {
        ClosingBook book(true);
        QFile plain(book.backups());
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("x") == 1);
        plain.close();
        frmPrincipal w(book.session);
        const QByteArray bookBefore = fileBytes(book.bookPath());
        QVERIFY(closingEndsTheProgram(w));

        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Backup"));
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("O backup do livro de caixa não foi feito.")));
        QVERIFY(book.dialogs.last().text.contains(QDir::toNativeSeparators(book.backups())));
        QCOMPARE(w.windowTitle(), kClosingTitle);
        QCOMPARE(fileBytes(book.bookPath()), bookBefore);
        QCOMPARE(fileBytes(book.backups()), QByteArray("x"));
    }
};

LIVRO_TEST(tst_ExitBackup)
#include "tst_ExitBackup.moc"
