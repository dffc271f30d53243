#include "LegacyTestSupport.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/legacy/ReaderProcess.h"

#include <QFile>
#include <QTest>

namespace {

constexpr qsizetype kPage = 4096;

QByteArray completo()
{
    return fileBytes(legacyBook(QStringLiteral("bd-completo.mdb")));
}

// Overwrites bytes with a fixed pseudo-random pattern.
QByteArray scrambled(QByteArray bytes, qsizetype from, qsizetype length)
{
    for (qsizetype i = from; i < from + length; ++i)
        bytes[i] = char((i * 7919 + 13) & 0xFF);
    return bytes;
}

// A stand-in for the reader: a shell script.
QString script(const DataFolder& folder, const QByteArray& body)
{
    const QString path = folder.file(QStringLiteral("leitor.sh"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body + '\n') < 0)
        qFatal("could not write %s", qPrintable(path));
    file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

// The refusal shown as the connection message, with nothing written.
void checkRefused(const Start& start, const DataFolder& folder, const QByteArray& before,
                  const QString& reasonPart)
{
    QCOMPARE(start.dialogs.shown.size(), 1);
    const FakeDialogs::Shown& shown = start.dialogs.last();
    QCOMPARE(shown.title, QStringLiteral("A T E  Ç Ã O"));
    QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
    QVERIFY2(shown.text.startsWith(
                 QStringLiteral("Não foi possível converter o livro de caixa do Access ")),
             qPrintable(shown.text));
    QVERIFY2(shown.text.contains(reasonPart), qPrintable(shown.text));
    QVERIFY(shown.text.endsWith(
        QStringLiteral("O arquivo não foi alterado.\nNão foi possivel conectar ao servidor")));
    QVERIFY(!start.db.isOpen());
    QCOMPARE(fileBytes(folder.book()), before);
    QStringList left = folder.files();
    left.removeAll(QStringLiteral("leitor.sh"));
    QCOMPARE(left, QStringList{QStringLiteral("bd.mdb")});
}

} // namespace

class tst_RefusedBooks : public QObject
{
    Q_OBJECT

private slots:
    void damagedCopiesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray good = completo();
        // Pages 40 to 45 hold the rows of caixa: data pages (type 1) owned by
        // the table definition on page 24.
        QCOMPARE(good.at(42 * kPage), '\x01');
        QCOMPARE(good.at(42 * kPage + 4), '\x18');

        // libmdb alone reads this one without a word, as a book with no entries.
        QTest::newRow("cut at a page boundary")
            << good.left(42 * kPage) << QStringLiteral("a página 42 não está inteira");
        QTest::newRow("cut in the middle of a page")
            << good.left(26 * kPage + 100) << QStringLiteral("não é um número inteiro de páginas");
        QTest::newRow("scrambled page of entries")
            << scrambled(good, 42 * kPage, kPage)
            << QStringLiteral("a tabela caixa tem 196 linhas, mas só");
        QTest::newRow("scrambled entry") << scrambled(good, 40 * kPage + 2048, 64)
                                         << QStringLiteral("caixa tem 196 linhas, mas só 195");
        // The page stays well formed; the dates of entry 20 become 00/01/1900.
        QTest::newRow("scrambled date")
            << scrambled(good, 40 * kPage + 2304, 16)
            << QStringLiteral("a coluna caixa.data tem um valor inválido (1900-01-00 "
                              "00:00:00) na linha de id 20");
        QTest::newRow("first page only") << good.left(kPage) << QStringLiteral("tabelas");
        QByteArray header(kPage, '\0');
        header.replace(0, 19, QByteArray("\x00\x01\x00\x00Standard Jet DB", 19));
        QTest::newRow("bare Jet header") << header << QStringLiteral("Access");
    }
    void damagedCopiesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reasonPart);
        DataFolder folder;
        folder.put(bytes);
        Start start(folder);
        QCOMPARE(start.run(), Startup::FirstWindow::Main);
        checkRefused(start, folder, bytes, reasonPart);
    }

    void theReaderFailing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reasonPart");
        const QByteArray reader = QByteArrayLiteral(LIVRO_MDB_READER);
        QTest::newRow("crash") << QByteArray("kill -SEGV $$")
                               << QStringLiteral("parou de forma inesperada");
        QTest::newRow("warning") << "'" + reader + "' \"$@\"\necho 'warning: page 7 is odd' >&2"
                                 << QStringLiteral("encontrou problemas (warning: page 7 is odd)");
        QTest::newRow("output broken off")
            << "'" + reader + "' \"$@\" | head -c 3000" << QStringLiteral("terminou antes do fim");
        QTest::newRow("missing") << QByteArray() << QStringLiteral("não foi encontrado");
    }
    void theReaderFailing()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, reasonPart);
        const QByteArray bytes = completo();
        DataFolder folder;
        folder.put(bytes);
        Start start(folder);
        start.session.accessReader =
            body.isEmpty() ? folder.file(QStringLiteral("nao-existe")) : script(folder, body);
        start.run();
        checkRefused(start, folder, bytes, reasonPart);
    }

    void cancellingLeavesTheOriginal_data()
    {
        QTest::addColumn<QString>("during");
        QTest::newRow("while reading") << QStringLiteral("Lendo");
        QTest::newRow("while writing") << QStringLiteral("Gravando");
    }
    void cancellingLeavesTheOriginal()
    {
        QFETCH(QString, during);
        const QByteArray bytes = completo();
        DataFolder folder;
        folder.put(bytes);
        Start start(folder);
        start.dialogs.cancelProgressDuring = during;
        start.run();
        QVERIFY(start.dialogs.progressShown.constFirst().labels.constLast().startsWith(during));
        checkRefused(start, folder, bytes, QStringLiteral("a conversão foi cancelada"));
    }

    void aSilentReaderIsStopped()
    {
        DataFolder folder;
        SilentProgress progress;
        SourceBook::ReaderOutput output;
        const Status ran = ReaderProcess::run(script(folder, "sleep 30"), {}, progress, output, 1);
        QVERIFY(!ran.ok());
        QVERIFY2(ran.reason().contains(QStringLiteral("parou de responder")),
                 qPrintable(ran.reason()));
    }
};

LIVRO_TEST(tst_RefusedBooks)
#include "tst_RefusedBooks.moc"
