// "livro-caixa report" on a server book: the book is read where --database
// (or the data folder's connection file) says, and the file is the same as
// the export of the window.

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/Balances.h"
#include "reports/ReportOutput.h"
#include "reports/ReportPeriod.h"
#include "reports/dtrLivroCaixa.h"

#include <QDir>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString pdfText(const QString& file)
{
    QProcess tool;
    tool.start(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
    return tool.waitForFinished(30000) ? QString::fromUtf8(tool.readAllStandardOutput())
                                       : QString();
}

int report(const QStringList& arguments, QString* err)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LIVRO_PROGRAM), QStringList{u"report"_s} + arguments);
    if (!program.waitForFinished(60000))
        return -1;
    *err = QString::fromUtf8(program.readAllStandardError());
    return program.exitCode();
}

} // namespace

class tst_ServerReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    // The server named by the data folder's connection file (--database
    // reaches it too: the case below).
    void theWindowsExportFromTheServer()
    {
        TestBook book;
        const qint64 caixa = book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-11-30"_s, u"08:00:00"_s, caixa, u"Antes"_s, u"10,00"_s, u"0,00"_s);
        book.addEntry(u"2026-12-01"_s, u"09:00:00"_s, caixa, u"Venda no servidor"_s, u"100,00"_s,
                      u"0,00"_s);
        const QDate first(2026, 12, 1), last(2026, 12, 2);
        const ReportContext context{Balances::openingBalance(book.db, first, 0).value(),
                                    ReportPeriod::text(first, last), false};
        const auto window =
            CashBookReport::build(book.db, {first, last, 0}, context, u"Todas"_s).value();
        const QString windowPdf = book.dir() + u"/janela.pdf"_s;
        QVERIFY(ReportOutput::writePdf(*window.document, windowPdf));

        writeFile(book.dir() + u"/livro-caixa.ini"_s,
                  "[servidor]\nurl=" + book.db.location().toUtf8() + "\n");
        const QString pdf = book.dir() + u"/comando.pdf"_s;
        QString err;
        const int status = report({u"--from"_s, u"01/12/2026"_s, u"--to"_s, u"02/12/2026"_s,
                                   u"--pdf"_s, pdf, u"--data-dir"_s, book.dir()},
                                  &err);
        QVERIFY2(status == 0, qPrintable(err));
        const QString text = pdfText(pdf);
        VERIFY_CONTAINS(text, u"Venda no servidor"_s);
        QCOMPARE(text, pdfText(windowPdf));
    }

    // The report writes nothing on the server: an empty database is refused
    // (status 2) and stays empty, where a desk would have made a book in it.
    void anEmptyDatabaseStaysEmpty()
    {
        const ServerAddress empty = TestServer::createDatabase();
        QString err;
        const int status =
            report({u"--from"_s, u"01/12/2026"_s, u"--to"_s, u"02/12/2026"_s, u"--pdf"_s,
                    QDir::tempPath() + u"/nada.pdf"_s, u"--database"_s, empty.url()},
                   &err);
        DbConnection look;
        QVERIFY(look.openServer(empty, DbConnection::ServerUse::Reader).ok() == false);
        TestServer::dropDatabase(empty);
        QCOMPARE(status, 2);
        QVERIFY2(err.contains(u"não tem livro de caixa"_s), qPrintable(err));
    }
};

LIVRO_TEST(tst_ServerReport)
#include "tst_ServerReport.moc"
