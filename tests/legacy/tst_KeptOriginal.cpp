#include "FakeDialogs.h"
#include "TestBook.h"
#include "TestMain.h"
#include "legacy/AccessMigration.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

unsigned modeOf(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0xFFFF;
}

} // namespace

// The Access original holds the old plain-text passwords: once converted,
// it and the new book are readable by their user alone.
class tst_KeptOriginal : public QObject
{
    Q_OBJECT

private slots:
    void theOriginalAndTheNewBookArePrivate()
    {
        const mode_t old = ::umask(0);
        QTemporaryDir folder;
        const QString book = folder.filePath(u"bd.mdb"_s);
        QVERIFY(QFile::copy(QStringLiteral(LIVRO_LEGACY_DATA "/bd-completo.mdb"), book));
        QCOMPARE(::chmod(QFile::encodeName(book).constData(), 0644), 0);
        FakeDialogs dialogs;
        const auto converted =
            AccessMigration::migrate(book, QStringLiteral(LIVRO_MDB_READER), dialogs);
        ::umask(old);
        QVERIFY2(converted.ok(), qPrintable(converted.reason()));
        QCOMPARE(converted->notes, QStringList());
        QCOMPARE(QString::number(modeOf(converted->keptOriginal), 8), u"600"_s);
        QCOMPARE(QString::number(modeOf(book), 8), u"600"_s);
    }
};

LIVRO_TEST(tst_KeptOriginal)
#include "tst_KeptOriginal.moc"
