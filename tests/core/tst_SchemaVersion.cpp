#include "TestBook.h"
#include "TestMain.h"
#include "book/Balances.h"
#include "core/DayTotals.h"
#include "core/SchemaVersion.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The book as the program wrote it before versions were recorded: the same
// tables, without the version, the day totals, the closings and the change log.
void makeVersionZero(TestBook& book)
{
    for (const char* trigger : {"caixa_totals_insert", "caixa_totals_delete",
                                "caixa_totals_update_old", "caixa_totals_update_new"})
        book.exec(u"drop trigger "_s + QString::fromLatin1(trigger));
    book.exec(u"drop table day_totals"_s);
    book.exec(u"drop table closings"_s);
    book.exec(u"drop table change_log"_s);
    book.exec(u"drop table schema_version"_s);
}

// Every table, index and trigger of a book, by name.
QStringList schemaOf(TestBook& book)
{
    return book
        .scalar(u"select group_concat(type || ' ' || name, '|') from (select type, name "
                "from sqlite_master where name not like 'sqlite_%' order by type, name)"_s)
        .toString()
        .split(u'|');
}

int versionOf(TestBook& book)
{
    return book.scalar(u"select version from schema_version"_s).toInt();
}

// The copy kept before an upgrade to this program's version.
QString copyName(const QString& suffix = QString())
{
    return u"bd-antes-da-versao-"_s + QString::number(SchemaVersion::current()) + suffix +
           u".mdb"_s;
}

QString backupsOf(const TestBook& book)
{
    return QDir(book.dir()).filePath(u"Backups"_s);
}

} // namespace

// The version a book records, the upgrade of an older book and the refusal
// of a newer one.
class tst_SchemaVersion : public QObject
{
    Q_OBJECT

private slots:
    // An older book opens upgraded: first a copy of it as it was, then its
    // day totals built from its entries, then its version recorded. The new
    // tables are those a new book has. A second opening changes nothing.
    void olderBookIsUpgradedAfterACopy()
    {
        TestBook fresh;
        const QStringList newBook = schemaOf(fresh);
        QCOMPARE(versionOf(fresh), SchemaVersion::current());

        TestBook book;
        book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-01-10"_s, u"10:00:00"_s, 1, u"a"_s, u"100,00"_s, std::nullopt);
        book.addEntry(u"2026-01-11"_s, u"10:00:00"_s, 1, u"b"_s, std::nullopt, u"30,00"_s);
        makeVersionZero(book);
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());

        QVERIFY(book.db.open(book.bookPath()).ok());
        const QString copy = QDir(backupsOf(book)).filePath(copyName());
        QCOMPARE(fileBytes(copy), before);
        QCOMPARE(versionOf(book), SchemaVersion::current());
        QCOMPARE(book.scalar(u"select count(*) from schema_version"_s).toInt(), 1);
        QCOMPARE(schemaOf(book), newBook);
        QCOMPARE(DayTotals::differences(book.db.database())->size(), 0);
        QCOMPARE(Balances::openingBalance(book.db, QDate(2026, 2, 1), 0)->format(), u"70,00"_s);

        book.db.close();
        const QByteArray upgraded = fileBytes(book.bookPath());
        QVERIFY(book.db.open(book.bookPath()).ok());
        book.db.close();
        QCOMPARE(fileBytes(book.bookPath()), upgraded);
        QCOMPARE(filesIn(backupsOf(book)), QStringList{copyName()});
    }

    // A step that fails (here a table of the same name that another tool
    // left in the book) undoes all it did: the book stays as it was, at its
    // old version, and is not opened. The copy made before stays.
    void failedUpgradeLeavesTheBookAsItWas()
    {
        TestBook book;
        book.addEntry(u"2026-01-10"_s, u"10:00:00"_s, 1, u"a"_s, u"100,00"_s, std::nullopt);
        makeVersionZero(book);
        book.exec(u"create table day_totals (anotacao text)"_s);
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());

        const Status opened = book.db.open(book.bookPath());
        QVERIFY(!opened.ok() && !book.db.isOpen());
        QVERIFY2(opened.reason().contains(u"precisa ser atualizado"_s) &&
                     opened.reason().contains(QDir::toNativeSeparators(book.bookPath())),
                 qPrintable(opened.reason()));
        QCOMPARE(fileBytes(book.bookPath()), before);
        QVERIFY(QFileInfo::exists(QDir(backupsOf(book)).filePath(copyName())));
        // A second try keeps the first copy and makes another beside it: the
        // copy before an upgrade never replaces an earlier one.
        QVERIFY(!book.db.open(book.bookPath()).ok());
        QVERIFY(QFileInfo::exists(QDir(backupsOf(book)).filePath(copyName(u"-2"_s))));
    }

    // A book written by a newer program is refused, saying so, and left
    // exactly as it was; nothing is copied.
    void newerBookIsRefused()
    {
        TestBook book;
        book.exec(u"update schema_version set version = ?"_s, {SchemaVersion::current() + 1});
        book.db.close();
        const QByteArray before = fileBytes(book.bookPath());
        const Status opened = book.db.open(book.bookPath());
        QVERIFY2(!opened.ok() &&
                     opened.reason().contains(
                         u"este livro foi gravado por uma versão mais nova do programa"_s),
                 qPrintable(opened.reason()));
        QVERIFY(!book.db.isOpen());
        QCOMPARE(fileBytes(book.bookPath()), before);
        QVERIFY(!QFileInfo::exists(backupsOf(book)));
    }
};

LIVRO_TEST(tst_SchemaVersion)
#include "tst_SchemaVersion.moc"
