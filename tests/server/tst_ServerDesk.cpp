// What belongs to one desk of a server book and what to the book: the
// remembered user and the colours stay on the desk, login and the backups
// to keep are shared, and login is not switched off from a desk's command
// line. Another desk's entries appear in an open window.

#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/EntryStore.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/DeskSettings.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"

#include <QFile>
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

    void theRememberedUserStaysOnTheDesk()
    {
        TestBook book;
        QVERIFY(SettingsStore::rememberUser(book.db, true, u"ANA"_s).ok());
        QCOMPARE(book.scalar(u"select count(*) from opcoes where usuario = 'ANA'"_s).toInt(), 0);
        const SettingsValues here = loaded(book);
        QCOMPARE(std::pair(here.lembrar, here.usuario), std::pair(true, u"ANA"_s));
        // Another computer: settings of its own, none of this desk's.
        DeskSettings::open().clear();
        const SettingsValues there = loaded(book);
        QCOMPARE(std::pair(there.lembrar, there.usuario), std::pair(false, QString()));
    }

    void coloursAreTheDesksLoginAndBackupsTheBooks()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice(u"#112233"_s)).ok());
        // A second desk chose a colour of its own afterwards...
        DeskSettings::open().clear();
        QVERIFY(SettingsStore::save(book.db, choice(u"#abcdef"_s)).ok());
        // ...and the first desk, with its settings back, keeps its colour.
        {
            QSettings first = DeskSettings::open();
            first.beginGroup(DeskSettings::bookGroup(book.db.location()));
            first.setValue(u"corfundoentrada"_s, u"#112233"_s);
        }
        const SettingsValues here = loaded(book);
        QCOMPARE(here.corfundoentrada, u"#112233"_s);
        QVERIFY(here.susuario);
        QCOMPARE(here.qtdarquivosbkp, qint16(9));
        // A third desk that never chose shows the last colours the book got.
        DeskSettings::open().clear();
        QCOMPARE(loaded(book).corfundoentrada, u"#abcdef"_s);
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

    void loginIsNotSwitchedOffFromADesksCommandLine()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice(u"#112233"_s)).ok());
        writeFile(book.dir() + u"/livro-caixa.ini"_s,
                  "[servidor]\nurl=" + book.db.location().toUtf8() + "\n");
        QProcess program;
        program.start(QStringLiteral(LIVRO_PROGRAM),
                      {u"--disable-login"_s, u"--data-dir"_s, book.dir()});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        VERIFY_CONTAINS(QString::fromUtf8(program.readAllStandardError()),
                        u"o login não foi desligado"_s);
        QCOMPARE(book.scalar(u"select susuario from opcoes"_s).toInt(), 1);
    }
};

LIVRO_TEST(tst_ServerDesk)
#include "tst_ServerDesk.moc"
