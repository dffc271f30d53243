#include "Controls.h"
#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/Backup.h"
#include "book/BackupList.h"
#include "book/BookRestore.h"
#include "book/Closings.h"
#include "core/BookLock.h"
#include "core/Money.h"
#include "core/SchemaVersion.h"
#include "core/Sql.h"
#include "core/Windows.h"
#include "settings/RestoreWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A book with a backup of each of three moments:
//   01/12 08:00  one entry, of 28/11
//   03/12 18:00  two entries, the last of 02/12
//   04/12 18:00  three entries, the last of 04/12
// and, in the book only, an entry of 05/12 and a change to the first one.
struct RestoreBook : TestBook
{
    RestoreBook()
    {
        const qint64 caixa = addAccount(u"CAIXA"_s);
        first = addEntry(u"2026-11-28"_s, u"09:00:00"_s, caixa, u"Troco inicial"_s, u"50,00"_s,
                         std::nullopt);
        backUp(QDateTime(QDate(2026, 12, 1), QTime(8, 0)));
        addEntry(u"2026-12-02"_s, u"10:00:00"_s, caixa, u"Venda"_s, u"100,00"_s, std::nullopt);
        backUp(QDateTime(QDate(2026, 12, 3), QTime(18, 0)));
        addEntry(u"2026-12-04"_s, u"11:00:00"_s, caixa, u"Luz"_s, std::nullopt, u"20,00"_s);
        backUp(QDateTime(QDate(2026, 12, 4), QTime(18, 0)));
        addEntry(u"2026-12-05"_s, u"12:00:00"_s, caixa, u"Venda do dia"_s, u"40,00"_s,
                 std::nullopt);
        exec(u"update caixa set descricao = 'Troco' where id = ?"_s, {first});
        session.Settings.qtdarquivosbkp = 10;
        session.bookLock = std::make_unique<BookLock>(bookPath());
        if (session.bookLock->take() != BookLock::Outcome::Taken)
            qFatal("the test book could not be locked");
    }

    void backUp(const QDateTime& moment)
    {
        const Backup::Outcome made = Backup::make(bookPath(), 10, moment);
        if (!made.copy)
            qFatal("backup failed: %s", qPrintable(made.copy.reason()));
        backups.prepend(made.file); // newest first
    }

    QString folder() const { return Backup::folderFor(bookPath()); }

    // The entries of the book as it is on disk now, opened afresh as at a
    // start (the whole file checked).
    QStringList entriesOnDisk()
    {
        db.close();
        const Status opened = db.open(bookPath());
        if (!opened)
            return {u"not opened: "_s + opened.reason()};
        return strings(u"select descricao from caixa order by id"_s);
    }

    qint64 first = 0;
    QStringList backups;
};

const QStringList kNow{u"Troco"_s, u"Venda"_s, u"Luz"_s, u"Venda do dia"_s};
const QStringList kOf3December{u"Troco inicial"_s, u"Venda"_s};

// A backup's pages overwritten in the middle: the header still says SQLite.
void damage(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(2 * 4096));
    QVERIFY(file.write(QByteArray(8192, '\x5a')) == 8192);
}

// A row of the list, "made at|size|entries|last entry's day".
QString row(QTableWidget* grid, int r)
{
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c)
        cells.append(grid->item(r, c)->text());
    return cells.join(u'|');
}

} // namespace

// Restoring a backup: the list, the checks, the current book kept, and a
// book that is whole whatever moment a crash strikes.
class tst_Restore : public QObject
{
    Q_OBJECT

private slots:
    // Newest first, each with when it was made, its size, its entries and
    // its last entry's day; a damaged one is listed without figures.
    void listedFigures()
    {
        RestoreBook book;
        writeFile(book.backups.at(0), QByteArray(4096, 'x')); // no book at all any more
        RestoreWindow window(book.session);
        auto* grid = control<QTableWidget>(window, "grade");
        const auto size = [&](int i) {
            return RestoreWindow::sizeText(QFileInfo(book.backups.at(i)).size());
        };
        QCOMPARE((QStringList{row(grid, 0), row(grid, 1), row(grid, 2)}),
                 (QStringList{u"04/12/2026 18:00:00|"_s + size(0) + u"|?|ilegível"_s,
                              u"03/12/2026 18:00:00|"_s + size(1) + u"|2|02/12/2026"_s,
                              u"01/12/2026 08:00:00|"_s + size(2) + u"|1|28/11/2026"_s}));
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(RestoreWindow::sizeText(2560), u"2,5 kB"_s);
        QCOMPARE(RestoreWindow::sizeText(98304), u"96 kB"_s);
        QCOMPARE(RestoreWindow::sizeText(1572864), u"1,5 MB"_s);
    }

    // The chosen backup is checked as a book at start-up: a damaged one is
    // refused with the reason. Refused, or No to the question, nothing changes.
    void refusedOrDeclinedChangesNothing()
    {
        RestoreBook book;
        damage(book.backups.at(1));
        RestoreWindow window(book.session);
        control<QTableWidget>(window, "grade")->selectRow(1);
        control<QPushButton>(window, "btnRestaurar")->click();
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"não pode ser restaurado"_s);
        book.dialogs.answers = {Dialogs::Answer::No}; // a sound backup, and No to the question
        control<QTableWidget>(window, "grade")->selectRow(0);
        control<QPushButton>(window, "btnRestaurar")->click();
        QVERIFY(window.chosenBackup().isEmpty());
        QCOMPARE(Backup::set(book.folder()).size(), 3);
        QCOMPARE(book.entriesOnDisk(), kNow);
    }

    // Through the main window's route: the question names what the book
    // holds beyond the backup (entries, closings, change-log records), the book as it was goes into
    // a new backup first, the backup becomes the book, and the user is told the day the book now
    // ends on. The desk lock stays this program's.
    void restoreThroughTheWindow()
    {
        RestoreBook book;
        const auto closed =
            Closings(book.db).close({QDate(2026, 12, 4), *Money::parse(u"130,00"_s), QString()});
        QVERIFY2(closed.ok(), qPrintable(closed.reason()));
        book.dialogs.answers = {Dialogs::Answer::Yes};
        whenModal<RestoreWindow>([](RestoreWindow* window) {
            control<QTableWidget>(*window, "grade")->selectRow(1);
            control<QPushButton>(*window, "btnRestaurar")->click();
        });
        QVERIFY(book.session.windows->restoreBackup(nullptr));
        QCOMPARE(book.dialogs.shown.size(), 2);
        const QString question = book.dialogs.shown.at(0).text;
        for (const QString& part :
             {u"2 lançamentos feitos depois do backup"_s, u"05/12/2026 Venda do dia 40,00"_s,
              u"1 lançamento alterado depois do backup"_s, u"termina em 02/12/2026"_s,
              u"1 fechamento de caixa feito depois do backup: 04/12/2026"_s,
              u"1 registro do histórico de alterações feito depois do backup"_s})
            VERIFY_CONTAINS(question, part);
        const QString told = book.dialogs.shown.at(1).text;
        VERIFY_CONTAINS(told, u"agora termina em 02/12/2026"_s);
        QVERIFY(book.session.bookOpen && book.session.bookLock->isTaken());
        QCOMPARE(book.strings(u"select descricao from caixa order by id"_s), kOf3December);

        // The book as it was is the newest backup, whole.
        const QList<BackupList::Item> listed = BackupList::of(book.bookPath());
        QCOMPARE(listed.size(), 4);
        QCOMPARE(listed.first().madeAt, book.clock.now());
        QCOMPARE(listed.first().entries, std::optional<qint64>(4));
        VERIFY_CONTAINS(told, QDir::toNativeSeparators(listed.first().path));
        QVERIFY(!QFile::exists(BookRestore::stagingPath(book.bookPath())));

        // The restored book's change log says which backup replaced which book.
        const QStringList logged =
            book.strings(u"select kind || '|' || row_key || '|' || after_values from change_log "
                         "order by id desc limit 1"_s);
        const QString backupName = QFileInfo(book.backups.at(1)).fileName();
        QCOMPARE(logged, QStringList(u"restore|"_s + backupName + u"|Backup: "_s + backupName +
                                     u"; Último lançamento do livro substituído: 05/12/2026; "
                                     "Último dia fechado do livro substituído: 04/12/2026"_s));
    }

    // A backup of an older version of the book is restored and brought up
    // to date, as any older book is when it is opened. With the set full, the
    // backup of the book as it was replaces the oldest backup other than the
    // one restored.
    void olderVersionUpgraded()
    {
        RestoreBook book;
        {
            DbConnection older;
            QVERIFY(older.open(book.backups.at(2)));
            // As the program wrote books before versions were recorded.
            for (const char* statement :
                 {"drop trigger caixa_totals_insert", "drop trigger caixa_totals_delete",
                  "drop trigger caixa_totals_update_old", "drop trigger caixa_totals_update_new",
                  "drop table day_totals", "drop table closings", "drop table change_log",
                  "drop table schema_version"})
                QVERIFY(Sql::exec(older.database(), QString::fromLatin1(statement)));
        }
        const auto outcome = BookRestore::run(book.db, book.backups.at(2), 3, {u"b"_s, {}, {}});
        QVERIFY2(outcome.status, qPrintable(outcome.status.reason()));
        QCOMPARE(book.entriesOnDisk(), QStringList{u"Troco inicial"_s});
        QCOMPARE(book.scalar(u"select max(version) from schema_version"_s).toInt(),
                 SchemaVersion::current());
        QVERIFY(QFile::exists(book.backups.at(2)) && !QFile::exists(book.backups.at(1)));
        QCOMPARE(Backup::set(book.folder()).size(), 3);
    }

    void crashBetweenSteps_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("restored");
        QTest::addColumn<int>("backups");
        QTest::newRow("copied beside the book") << int(BookRestore::Step::Staged) << false << 3;
        QTest::newRow("copy checked") << int(BookRestore::Step::Prepared) << false << 3;
        QTest::newRow("book closed") << int(BookRestore::Step::Closed) << false << 3;
        QTest::newRow("book backed up") << int(BookRestore::Step::CurrentBackedUp) << false << 4;
        QTest::newRow("renamed") << int(BookRestore::Step::Replaced) << true << 4;
    }
    // A crash at any moment leaves a book that opens whole under the book's
    // name, the old one or the restored one, never a mixture; the next
    // restore clears what was left and succeeds.
    void crashBetweenSteps()
    {
        QFETCH(int, step);
        QFETCH(bool, restored);
        QFETCH(int, backups);
        RestoreBook book;
        const auto cut = [step](BookRestore::Step at) { return int(at) != step; };
        const auto outcome =
            BookRestore::run(book.db, book.backups.at(1), 10, {u"b"_s, {}, {}}, cut);
        QVERIFY(!outcome.status);
        QCOMPARE(outcome.replaced, restored);
        QCOMPARE(book.entriesOnDisk(), restored ? kOf3December : kNow);
        QCOMPARE(Backup::set(book.folder()).size(), backups);

        const auto again = BookRestore::run(book.db, book.backups.at(2), 10, {u"b"_s, {}, {}});
        QVERIFY2(again.status, qPrintable(again.status.reason()));
        QCOMPARE(again.lastEntryDay, QDate(2026, 11, 28));
        QCOMPARE(book.entriesOnDisk(), QStringList{u"Troco inicial"_s});
        QVERIFY(!QFile::exists(BookRestore::stagingPath(book.bookPath())));
    }

    // When the book cannot be backed up first, it is not replaced.
    void noBackupNoRestore()
    {
        RestoreBook book;
        const QString chosen = book.backups.at(1);
        // The Backups folder taken by a file: no new backup can be written.
        const QString moved = book.dir() + u"/guardados"_s;
        QVERIFY(QDir().rename(book.folder(), moved));
        writeFile(book.folder(), "x");
        const auto outcome = BookRestore::run(book.db, moved + u'/' + QFileInfo(chosen).fileName(),
                                              10, {u"b"_s, {}, {}});
        VERIFY_CONTAINS(outcome.status.reason(), u"nada foi alterado"_s);
        QVERIFY(!outcome.status && !outcome.replaced);
        QCOMPARE(book.entriesOnDisk(), kNow);
        QVERIFY(!QFile::exists(BookRestore::stagingPath(book.bookPath())));
    }
};

LIVRO_TEST(tst_Restore)
#include "tst_Restore.moc"
