// What belongs to one desk of a server book and what to the book: the
// remembered user and the colours stay on the desk, login and the backups
// to keep are shared, and login is not switched off from a desk's command
// line. Another desk's entries appear in an open window, and the report
// command reads the server book.

#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/Balances.h"
#include "book/EntryStore.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/DeskSettings.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "reports/ReportOutput.h"
#include "reports/ReportPeriod.h"
#include "reports/dtrLivroCaixa.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

SettingsChoice choice(const QString& colour)
{
    SettingsChoice c;
    c.susuario = true;
    c.corfundoentrada = colour;
    c.moeda = u"R$"_s;
    c.indioma = u"Português"_s;
    c.qtdarquivosbkp = 9;
    return c;
}

SettingsValues loaded(TestBook& book)
{
    SettingsValues values;
    LoadSettings(book.db, values);
    return values;
}

QString pdfText(const QString& file)
{
    QProcess tool;
    tool.start(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
    return tool.waitForFinished(30000) ? QString::fromUtf8(tool.readAllStandardOutput())
                                       : QString();
}

// The program run without a display, as from a terminal or a scheduled job.
int program(const QStringList& arguments, QString* err)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(LIVRO_PROGRAM), arguments);
    if (!process.waitForFinished(60000))
        return -1;
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitCode();
}

} // namespace

class tst_ServerDesk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    // The remembered user and the colours stay on the desk that chose them;
    // login and the backups to keep are the book's. A desk that never chose
    // shows the last colours the book got, and remembers no user.
    void desksAndTheBooksSettings()
    {
        TestBook book;
        QVERIFY(SettingsStore::rememberUser(book.db, true, u"ANA"_s).ok());
        QVERIFY(SettingsStore::save(book.db, choice(u"#112233"_s)).ok());
        QCOMPARE(book.scalar(u"select count(*) from opcoes where usuario = 'ANA'"_s).toInt(), 0);
        const SettingsValues here = loaded(book);
        QCOMPARE(std::tuple(here.corfundoentrada, here.lembrar, here.usuario),
                 std::tuple(u"#112233"_s, true, u"ANA"_s));
        // Another computer: settings of its own, none of this desk's; it
        // chooses a colour of its own...
        DeskSettings::open().clear();
        const SettingsValues there = loaded(book);
        QCOMPARE(std::pair(there.lembrar, there.usuario), std::pair(false, QString()));
        QVERIFY(SettingsStore::save(book.db, choice(u"#abcdef"_s)).ok());
        // ...and the first desk, with its settings back, keeps its own.
        {
            QSettings first = DeskSettings::open();
            first.beginGroup(DeskSettings::bookGroup(book.db.location()));
            first.setValue(u"corfundoentrada"_s, u"#112233"_s);
        }
        QCOMPARE(loaded(book).corfundoentrada, u"#112233"_s);
        DeskSettings::open().clear();
        const SettingsValues third = loaded(book);
        QCOMPARE(third.corfundoentrada, u"#abcdef"_s);
        QVERIFY(third.susuario);
        QCOMPARE(third.qtdarquivosbkp, qint16(9));
    }

    // Another desk's entry, dated before every other, appears without anyone
    // touching the window: the selected entry stays selected though its row
    // moved down, the grid stays where the user scrolled it and an entry
    // form being typed stays as it is.
    void otherDesksEntriesAppearKeepingThePlace()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        const auto at = [](QTime time, const QString& description) {
            return EntryStore::Entry{
                QDate(2026, 12, 5),  time,   u"CAIXA"_s, QString(), description,
                Money::fromUnits(1), Money()};
        };
        EntryStore here(book.db);
        for (int minute = 0; minute < 80; ++minute)
            QVERIFY(here.save(0, at(QTime(8, 0).addSecs(60 * minute), u"daqui"_s)).ok());
        frmPrincipal w(book.session);
        w.resize(900, 500);
        w.show();
        auto* grid = control<QTableView>(w, "grade");
        QTRY_VERIFY(grid->verticalScrollBar()->maximum() > 20);
        const int scrolled = grid->verticalScrollBar()->maximum() / 2;
        grid->verticalScrollBar()->setValue(scrolled);
        const int row = grid->rowAt(grid->viewport()->height() / 2);
        grid->setCurrentIndex(w.gridModel()->index(row, EntryGridModel::Descricao));
        const qint64 selected = w.gridModel()->rows().id(row);
        frmCadCaixa form(book.session, 0);
        form.show();
        auto* description = control<QPlainTextEdit>(form, "txtDescricao");
        description->setPlainText(u"meio digitado"_s);

        DbConnection otherDesk;
        QVERIFY(otherDesk.openServer(*book.m_server).ok());
        QVERIFY(EntryStore(otherDesk).save(0, at(QTime(7, 0), u"de lá"_s)).ok());
        QTRY_COMPARE_WITH_TIMEOUT(w.gridModel()->rowCount(), 81, 2000);
        QCOMPARE(grid->currentIndex().row(), row + 1);
        QCOMPARE(w.gridModel()->rows().id(grid->currentIndex().row()), selected);
        QCOMPARE(grid->verticalScrollBar()->value(), scrolled);
        QVERIFY(form.isVisible());
        QCOMPARE(description->toPlainText(), u"meio digitado"_s);
    }

    // The program started on the data folder whose connection file names
    // the server book (--database reaches it too: the case below): "report"
    // writes the file the window exports; login, once on, is not switched
    // off from a desk's command line.
    void commandLineOnTheServerBook()
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
        const int status = program({u"report"_s, u"--from"_s, u"01/12/2026"_s, u"--to"_s,
                                    u"02/12/2026"_s, u"--pdf"_s, pdf, u"--data-dir"_s, book.dir()},
                                   &err);
        QVERIFY2(status == 0, qPrintable(err));
        const QString text = pdfText(pdf);
        VERIFY_CONTAINS(text, u"Venda no servidor"_s);
        QCOMPARE(text, pdfText(windowPdf));

        QVERIFY(SettingsStore::save(book.db, choice(u"#112233"_s)).ok());
        QCOMPARE(program({u"--disable-login"_s, u"--data-dir"_s, book.dir()}, &err), 1);
        VERIFY_CONTAINS(err, u"o login não foi desligado"_s);
        QCOMPARE(book.scalar(u"select susuario from opcoes"_s).toInt(), 1);
    }

    // The report writes nothing on the server: an empty database is refused
    // (status 2) and stays empty, where a desk would have made a book in it.
    void anEmptyDatabaseStaysEmpty()
    {
        const ServerAddress empty = TestServer::createDatabase();
        QString err;
        const int status =
            program({u"report"_s, u"--from"_s, u"01/12/2026"_s, u"--to"_s, u"02/12/2026"_s,
                     u"--pdf"_s, QDir::tempPath() + u"/nada.pdf"_s, u"--database"_s, empty.url()},
                    &err);
        DbConnection look;
        QVERIFY(look.openServer(empty, DbConnection::ServerUse::Reader).ok() == false);
        TestServer::dropDatabase(empty);
        QCOMPARE(status, 2);
        VERIFY_CONTAINS(err, u"não tem livro de caixa"_s);
    }
};

LIVRO_TEST(tst_ServerDesk)
#include "tst_ServerDesk.moc"
