#include "TestBook.h"
#include "TestMain.h"
#include "app/StoredSecrets.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

// The old plain-text passwords must not linger in the file once hashed. A
// compaction that fails is told and owed: the next open tries it again.
class tst_OwedCompaction : public QObject
{
    Q_OBJECT

private slots:
    void aFailedCompactionIsToldAndRetried()
    {
        TestBook book;
        book.exec(u"PRAGMA secure_delete = OFF"_s);
        book.exec(u"insert into usuarios (usuario, senha, restrito) values ('maria', "
                  "'segredo-antigo', 0)"_s);
        // Free pages, as the rewritten rows of a large book leave: only a
        // compaction gives them back.
        book.exec(u"insert into caixa (descricao) values (zeroblob(40000))"_s);
        book.exec(u"delete from caixa"_s);
        QVERIFY(book.scalar(u"PRAGMA freelist_count"_s).toInt() > 0);
        const QString owed = StoredSecrets::compactionOwedPath(book.bookPath());
        {
            // A read still going on the connection: SQLite refuses to compact.
            QSqlQuery reading(book.db.database());
            QVERIFY(reading.exec(u"select usuario from usuarios"_s) && reading.next());
            StoredSecrets::protect(book.session);
        }
        QCOMPARE(book.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& told = book.dialogs.last();
        QVERIFY2(told.text.contains(u"não pôde ser compactado"_s) &&
                     told.text.contains(u"tentará de novo"_s),
                 qPrintable(told.text));
        VERIFY_CONTAINS(told.details, u"VACUUM"_s);
        QVERIFY(QFile::exists(owed));
        QVERIFY(
            book.scalar(u"select senha from usuarios"_s).toString().startsWith(u"$argon2id$"_s));
        QVERIFY(book.scalar(u"PRAGMA freelist_count"_s).toInt() > 0);

        // The next open: nothing left to hash, but the compaction is owed.
        QVERIFY(book.db.open(book.bookPath()).ok());
        StoredSecrets::protect(book.session);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(!QFile::exists(owed));
        QCOMPARE(book.scalar(u"PRAGMA freelist_count"_s).toInt(), 0);
        QVERIFY(!fileBytes(book.bookPath()).contains("segredo-antigo"));
    }
};

LIVRO_TEST(tst_OwedCompaction)
#include "tst_OwedCompaction.moc"
