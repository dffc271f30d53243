#include "TestMain.h"
#include "core/UserGuide.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool makeFile(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write("<html>") == 6;
}

} // namespace

// Where F1 finds the guide: beside a build's program, or in the package's
// share folder for an installed one.
class tst_UserGuide : public QObject
{
    Q_OBJECT

private slots:
    void found_data()
    {
        QTest::addColumn<QString>("guide"); // relative to the folder above the program's
        QTest::addColumn<QString>("expected");
        QTest::newRow("beside a build") << u"bin/guia/index.html"_s << u"bin/guia/index.html"_s;
        QTest::newRow("installed")
            << u"share/livro-caixa/guia/index.html"_s << u"share/livro-caixa/guia/index.html"_s;
        QTest::newRow("nowhere") << u"share/doc/outro/index.html"_s << QString();
    }
    void found()
    {
        QFETCH(QString, guide);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin"_s)));
        QVERIFY(makeFile(root.filePath(guide)));
        const QString found = UserGuide::find(root.filePath(u"bin"_s));
        QCOMPARE(found, expected.isEmpty() ? QString() : root.filePath(expected));
    }

    // A folder of that name is no guide.
    void folderIsNoGuide()
    {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(u"bin/guia/index.html"_s)));
        QVERIFY(UserGuide::find(root.filePath(u"bin"_s)).isEmpty());
    }
};

LIVRO_TEST(tst_UserGuide)
#include "tst_UserGuide.moc"
