#include "LegacyTestSupport.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "users/frmLogin.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// A converted book in the main window, as a user of the older program sees
// it: the whole history, in order, with the same balances.
class tst_ConvertedWindow : public QObject
{
    Q_OBJECT

private slots:
    void theWholeHistoryIsThere()
    {
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(QStringLiteral("bd-completo.mdb")), folder.book()));
        Start start(folder);
        start.clock.set(QDateTime(QDate(2024, 4, 29), QTime(18, 0)));
        start.run();
        QVERIFY(start.db.isOpen());

        frmPrincipal w(start.session);
        w.findChild<QLineEdit*>(QStringLiteral("txtDia"))->setText(QStringLiteral("29/04/2024"));
        w.findChild<QLineEdit*>(QStringLiteral("txtDias"))->setText(QStringLiteral("99"));
        w.findChild<QPushButton*>(QStringLiteral("btnAtivar"))->click();

        const EntryGridModel* grid = w.gridModel();
        QCOMPARE(grid->rowCount(), 196);
        // By date, time and id: the back-dated entry 199 sits on 11/03/2024.
        QCOMPARE(grid->cellText(0, EntryGridModel::Id), QStringLiteral("1"));
        QCOMPARE(grid->cellText(0, EntryGridModel::Conta), QStringLiteral("CAIXA"));
        QCOMPARE(grid->cellText(0, EntryGridModel::Hora), QStringLiteral("08:00"));
        int row199 = -1;
        for (int r = 0; r < grid->rowCount(); ++r) {
            if (grid->cellText(r, EntryGridModel::Id) == u"199")
                row199 = r;
        }
        QVERIFY(row199 > 0);
        QCOMPARE(grid->cellText(row199, EntryGridModel::Data), QStringLiteral("11/03/2024"));
        QCOMPARE(grid->cellText(row199, EntryGridModel::Conta), QStringLiteral("BANCO D'ÁVILA"));
        // The running balance ends where the older program's last day balance did.
        QCOMPARE(grid->cellText(195, EntryGridModel::Saldo), QStringLiteral("165.030,44"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblTotalEntradas"))->text(),
                 QStringLiteral("293.016,29"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblTotalSaidas"))->text(),
                 QStringLiteral("127.985,85"));
    }

    // Login was switched on in the older program: its users log in with
    // their old passwords, now kept as hashes, at their old levels.
    void theLoginWindowComesFirst()
    {
        DataFolder folder;
        QVERIFY(QFile::copy(legacyBook(QStringLiteral("bd-completo.mdb")), folder.book()));
        Start start(folder);
        QCOMPARE(start.run(), Startup::FirstWindow::Login);
        {
            // The remembered user of the older program is offered.
            frmLogin login(start.session);
            QCOMPARE(login.findChild<QLineEdit*>(QStringLiteral("txtUsuario"))->text(), QStringLiteral("maria"));
        }
        const auto logIn = [&](const QString& user, const QString& password) {
            frmLogin login(start.session);
            QSignalSpy loggedIn(&login, &frmLogin::loggedIn);
            login.findChild<QLineEdit*>(QStringLiteral("txtUsuario"))->setText(user);
            login.findChild<QLineEdit*>(QStringLiteral("txtSenha"))->setText(password);
            login.Login();
            return loggedIn.count() == 1;
        };
        QVERIFY(!logIn(QStringLiteral("maria"), QStringLiteral("errada")));
        QVERIFY(logIn(QStringLiteral("maria"), QStringLiteral("segredo")));
        QCOMPARE(start.session.CurrentUser.userLevel, QStringLiteral("c"));
        QVERIFY(logIn(QStringLiteral("joao"), QStringLiteral("caixa1")));
        QCOMPARE(start.session.CurrentUser.userLevel, QStringLiteral("r"));
    }
};

LIVRO_TEST(tst_ConvertedWindow)
#include "tst_ConvertedWindow.moc"
