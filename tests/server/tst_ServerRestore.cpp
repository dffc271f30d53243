// Backing up a server book and restoring the backup: never over the book
// the desks use, only into an empty database the user names, checked and
// recorded there.

#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/Backup.h"
#include "book/Closings.h"
#include "book/EntryStore.h"
#include "core/Sql.h"
#include "core/Windows.h"
#include "settings/RestoreWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

EntryStore::Entry sale(const QDate& day, const QString& description, qint64 in)
{
    return {day, QTime(10, 0), u"CAIXA"_s, QString(), description, Money::fromUnits(in), Money()};
}

QStringList column(DbConnection& db, const QString& sql)
{
    auto q = Sql::run(db.database(), sql);
    if (!q)
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.reason()));
    QStringList values;
    while (q->next())
        values.append(q->value(0).toString());
    return values;
}

// Picks the newest backup in the window and restores it; a window still
// open after that (the restore refused) is closed, for the test to go on.
// The window's explanation, as it read once the window was shown.
std::shared_ptr<QString> restoreNewest()
{
    auto explained = std::make_shared<QString>();
    whenModal<RestoreWindow>([explained](RestoreWindow* window) {
        *explained = control<QLabel>(*window, "lblExplicacao")->text();
        control<QTableWidget>(*window, "grade")->selectRow(0);
        control<QPushButton>(*window, "btnRestaurar")->click();
        if (window->isVisible())
            window->reject();
    });
    return explained;
}

} // namespace

class tst_ServerRestore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    void aBackupFillsAnEmptyDatabaseAndTheBookInUseStays()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        EntryStore store(book.db);
        QVERIFY(store.save(0, sale(QDate(2026, 12, 2), u"Venda"_s, 100)).ok());
        QVERIFY(Closings(book.db).close({QDate(2026, 12, 2), Money::fromUnits(100), {}}));
        const Backup::Outcome made = Backup::makeOfServer(
            book.db, book.dir(), 5, QDateTime(QDate(2026, 12, 4), QTime(18, 0)));
        QVERIFY2(made.copy.ok(), qPrintable(made.copy.reason()));
        // The backup is the only file its folder holds: nothing half-written.
        QCOMPARE(filesIn(QFileInfo(made.file).path()), items("2026_12_04_18_00_00_Backup.bkp"));
        QVERIFY(store.save(0, sale(QDate(2026, 12, 5), u"Venda do dia"_s, 40)).ok());

        const ServerAddress empty = TestServer::createDatabase();
        book.dialogs.answers = {Dialogs::Answer::Yes};
        book.dialogs.typedLines = {empty.url()};
        const auto explained = restoreNewest();
        QVERIFY(!book.session.windows->restoreBackup(nullptr));
        VERIFY_CONTAINS(*explained, u"vazio do servidor"_s);
        QCOMPARE(book.dialogs.shown.size(), 2);
        VERIFY_CONTAINS(book.dialogs.shown.at(0).text, u"num banco de dados vazio do servidor"_s);
        VERIFY_CONTAINS(book.dialogs.lineQuestions.first(), u"_restaurado"_s);
        const QString told = book.dialogs.shown.at(1).text;
        VERIFY_CONTAINS(told, u"foi gravado no banco de dados "_s + empty.display());
        VERIFY_CONTAINS(told, u"termina em 02/12/2026"_s);
        // The book in use is untouched.
        QCOMPARE(book.strings(u"select descricao from caixa order by id"_s),
                 items("Venda|Venda do dia"));

        DbConnection restored;
        QVERIFY(restored.openServer(empty).ok());
        QCOMPARE(column(restored, u"select descricao from caixa order by id"_s), items("Venda"));
        QCOMPARE(column(restored, u"select saldo from contas"_s), items("100"));
        QCOMPARE(*Closings(restored).lockedThrough(), QDate(2026, 12, 2));
        // The entry's and the closing's records came along, the restore's own
        // on top.
        const QStringList logged = column(
            restored, u"select kind || '|' || after_values from change_log order by id desc"_s);
        QCOMPARE(logged.size(), 3);
        QVERIFY2(logged.first().startsWith(u"restore|Backup: 2026_12_04_18_00_00_Backup.bkp; "
                                           "Último lançamento do livro substituído: 05/12/2026"_s),
                 qPrintable(logged.first()));
        restored.close();

        // That database now holds a book: a second restore into it is refused.
        book.dialogs.answers = {Dialogs::Answer::Yes};
        book.dialogs.typedLines = {empty.url()};
        restoreNewest();
        QVERIFY(!book.session.windows->restoreBackup(nullptr));
        VERIFY_CONTAINS(book.dialogs.last().text, u"não está vazio"_s);
        QVERIFY(restored.openServer(empty).ok());
        QCOMPARE(column(restored, u"select count(*) from caixa"_s), items("1"));
        restored.close();
        TestServer::dropDatabase(empty);
    }
};

LIVRO_TEST(tst_ServerRestore)
#include "tst_ServerRestore.moc"
