#include "TestBook.h"
#include "TestMain.h"
#include "book/Backup.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// The backup's temporary file carries a name only this program writes, so a
// leftover of a copy cut short is cleared and nobody else's file is touched.
class tst_BackupTemporary : public QObject
{
    Q_OBJECT

private slots:
    void onlyItsOwnLeftoversGo()
    {
        TestBook book;
        book.db.close();
        const QString folder = Backup::folderFor(book.bookPath());
        QVERIFY(QDir().mkpath(folder));
        const QStringList foreign{u"2026_11_30_09_00_00_Backup.bkp.parcial"_s, u"notas.parcial"_s,
                                  u".outro-programa.parcial"_s};
        const QString leftover = u".livro-caixa-backup-2026_11_30_09_00_00_Backup.bkp.parcial"_s;
        for (const QString& name : foreign + QStringList{leftover}) {
            QFile file(QDir(folder).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        }

        const Backup::Outcome made = Backup::make(book.bookPath(), 5, book.clock.now());
        QVERIFY2(made.copy.ok(), qPrintable(made.copy.reason()));
        QStringList expected = foreign + QStringList{u"2026_12_05_14_03_09_Backup.bkp"_s};
        expected.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        QCOMPARE(fileBytes(QDir(folder).filePath(foreign.first())), QByteArray("x"));
    }
};

LIVRO_TEST(tst_BackupTemporary)
#include "tst_BackupTemporary.moc"
