#include "TestBook.h"
#include "TestMain.h"
#include "core/BookSnapshot.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What SQLite's own integrity check says of a file.
QString integrityOf(const QString& path)
{
    const QString name = u"integrity"_s;
    QString verdict;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        QSqlQuery q(db);
        if (db.open() && q.exec(u"PRAGMA integrity_check"_s) && q.next())
            verdict = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return verdict;
}

// A book with enough entries to span many pages, one of them unique.
struct SnapshotBook : TestBook
{
    SnapshotBook()
    {
        addAccount(u"CAIXA"_s);
        exec(u"with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
             "insert into caixa (idconta, data, hora, descricao, entrada) select 1, "
             "'2026-01-' || (10 + i % 20), '10:00:00', 'Venda número ' || i, i * 100 from n"_s);
        addEntry(u"2026-02-01"_s, u"10:00:00"_s, 1, u"Pagamento ÚNICO do aluguel"_s, std::nullopt,
                 u"1.234,00"_s);
    }
};

} // namespace

// The consistent copy of a book and the check a copy must pass.
class tst_BookSnapshot : public QObject
{
    Q_OBJECT

private slots:
    // The copy is the book byte for byte and passes. A copy with one changed
    // letter, which SQLite's integrity check still calls sound, fails, and so
    // does a copy cut short.
    void copyIsComparedWithTheBook()
    {
        SnapshotBook book;
        const QString copy = book.dir() + u"/copia.mdb"_s;
        const BookSnapshot snapshot(book.bookPath());
        QVERIFY2(snapshot.status().ok(), qPrintable(snapshot.status().reason()));
        QFile target(copy);
        QVERIFY(target.open(QIODevice::WriteOnly));
        QVERIFY(snapshot.writeTo(target).ok());
        target.close();
        QCOMPARE(fileBytes(copy), fileBytes(book.bookPath()));
        QVERIFY(snapshot.compareWith(copy).ok());

        QByteArray changed = fileBytes(copy);
        const qsizetype at = changed.indexOf("ÚNICO");
        QVERIFY(at > 0);
        changed[at + 2] = 'M'; // "ÚMICO"
        writeFile(copy, changed);
        QCOMPARE(integrityOf(copy), u"ok"_s);
        const Status differs = snapshot.compareWith(copy);
        QVERIFY2(!differs.ok() && differs.reason().contains(QString::number(at + 2)),
                 qPrintable(differs.reason()));

        writeFile(copy, fileBytes(book.bookPath()).chopped(4096));
        QVERIFY(!snapshot.compareWith(copy).ok());
    }

    // A book whose pages are damaged is found out, so it is not copied as
    // if it were sound.
    void damagedBookIsNotCopied()
    {
        SnapshotBook book;
        book.db.close();
        QByteArray bytes = fileBytes(book.bookPath());
        bytes.replace(bytes.size() / 2, 4096, QByteArray(4096, '\x5a'));
        writeFile(book.bookPath(), bytes);
        const BookSnapshot snapshot(book.bookPath());
        const Status sound = snapshot.checkStructure();
        QVERIFY2(!sound.ok() && sound.reason().contains(u"danificado"_s),
                 qPrintable(sound.reason()));
    }

    // While the snapshot is held no write reaches the book, so the copy is
    // one moment of it; the writer gets its turn as soon as it is let go.
    void writersWaitForTheSnapshot()
    {
        SnapshotBook book;
        const QString name = u"writer"_s;
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            writer.setDatabaseName(book.bookPath());
            writer.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=50"_s);
            QVERIFY(writer.open());
            const QString insert = u"insert into contas (descricao) values ('BANCO')"_s;
            {
                const BookSnapshot snapshot(book.bookPath());
                QSqlQuery q(writer);
                QVERIFY(!q.exec(insert));
                VERIFY_CONTAINS(q.lastError().text(), u"locked"_s);
            }
            QVERIFY(QSqlQuery(writer).exec(insert));
        }
        QSqlDatabase::removeDatabase(name);
        const BookSnapshot missing(book.dir() + u"/nada.mdb"_s);
        QVERIFY(!missing.status().ok() && missing.status().reason().contains(u"nada.mdb"_s));
    }
};

LIVRO_TEST(tst_BookSnapshot)
#include "tst_BookSnapshot.moc"
