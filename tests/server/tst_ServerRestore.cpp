// Restoring a backup of a server book: never over the book the desks use,
// only into an empty database the user names, checked and recorded there.

#include "Controls.h"
#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/Backup.h"
#include "book/EntryStore.h"
#include "core/Sql.h"
#include "core/Windows.h"
#include "settings/RestoreWindow.h"

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
        const Backup::Outcome made = Backup::makeOfServer(
            book.db, book.dir(), 5, QDateTime(QDate(2026, 12, 4), QTime(18, 0)));
        QVERIFY2(made.copy.ok(), qPrintable(made.copy.reason()));
        QVERIFY(store.save(0, sale(QDate(2026, 12, 5), u"Venda do dia"_s, 40)).ok());

        const ServerAddress empty = TestServer::createDatabase();
        book.dialogs.answers = {Dialogs::Answer::Yes};
        book.dialogs.typedLines = {empty.url()};
        const auto explained = restoreNewest();
        QVERIFY(!book.session.windows->restoreBackup(nullptr));
        // The window says the book in use stays.
        QVERIFY2(explained->contains(u"vazio do servidor"_s), qPrintable(*explained));

        QCOMPARE(book.dialogs.shown.size(), 2);
        QVERIFY2(book.dialogs.shown.at(0).text.contains(u"num banco de dados vazio do servidor"_s),
                 qPrintable(book.dialogs.shown.at(0).text));
        QVERIFY(book.dialogs.lineQuestions.first().contains(u"_restaurado"_s));
        const QString told = book.dialogs.shown.at(1).text;
        QVERIFY2(told.contains(u"foi gravado no banco de dados "_s + empty.display()),
                 qPrintable(told));
        QVERIFY(told.contains(u"termina em 02/12/2026"_s));
        // The book in use is untouched.
        QCOMPARE(book.strings(u"select descricao from caixa order by id"_s),
                 (QStringList{u"Venda"_s, u"Venda do dia"_s}));

        DbConnection restored;
        QVERIFY(restored.openServer(empty).ok());
        QCOMPARE(column(restored, u"select descricao from caixa order by id"_s),
                 QStringList{u"Venda"_s});
        QCOMPARE(column(restored, u"select saldo from contas"_s), QStringList{u"100"_s});
        const QStringList logged = column(
            restored, u"select kind || '|' || after_values from change_log order by id desc"_s);
        QVERIFY2(logged.first().startsWith(u"restore|Backup: 2026_12_04_18_00_00_Backup.bkp; "
                                           "Último lançamento do livro substituído: 05/12/2026"_s),
                 qPrintable(logged.first()));
        // The entry's own record came along with it.
        QCOMPARE(logged.size(), 2);
        // A new entry there gets a new id.
        QVERIFY(EntryStore(restored).save(0, sale(QDate(2026, 12, 5), u"Outra"_s, 1)).ok());
        QCOMPARE(column(restored, u"select count(distinct id) from caixa"_s), QStringList{u"2"_s});
        restored.close();

        // That database now holds a book: a second restore into it is refused.
        book.dialogs.answers = {Dialogs::Answer::Yes};
        book.dialogs.typedLines = {empty.url()};
        restoreNewest();
        QVERIFY(!book.session.windows->restoreBackup(nullptr));
        QVERIFY2(book.dialogs.last().text.contains(u"não está vazio"_s),
                 qPrintable(book.dialogs.last().text));
        QVERIFY(restored.openServer(empty).ok());
        QCOMPARE(column(restored, u"select count(*) from caixa"_s), QStringList{u"2"_s});
        restored.close();
        TestServer::dropDatabase(empty);
    }
};

LIVRO_TEST(tst_ServerRestore)
#include "tst_ServerRestore.moc"
