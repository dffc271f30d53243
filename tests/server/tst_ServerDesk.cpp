// What belongs to one desk of a server book and what to the book: the
// remembered user and the colours stay on the desk, login and the backups
// to keep are shared, and login is not switched off from a desk's command
// line.

#include "TestBook.h"
#include "TestMain.h"
#include "TestServer.h"
#include "book/EntrySearch.h"
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

class tst_ServerDesk : public QObject
{
    Q_OBJECT

private:
    static SettingsChoice choice()
    {
        SettingsChoice c;
        c.susuario = true;
        c.corfundoentrada = QStringLiteral("#112233");
        c.corletraentrada = QStringLiteral("#000000");
        c.corfundosaida = QStringLiteral("#445566");
        c.corletrasaida = QStringLiteral("#ffffff");
        c.moeda = QStringLiteral("R$");
        c.indioma = QStringLiteral("Português");
        c.qtdarquivosbkp = 9;
        return c;
    }

private slots:
    void initTestCase()
    {
        if (!TestServer::inUse())
            QSKIP("runs on the test server only");
    }

    void theRememberedUserStaysOnTheDesk()
    {
        TestBook book;
        QVERIFY(SettingsStore::rememberUser(book.db, true, QStringLiteral("ANA")).ok());
        QCOMPARE(book.scalar(QStringLiteral("select count(*) from opcoes where usuario = 'ANA'"))
                     .toInt(),
                 0);
        SettingsValues here;
        LoadSettings(book.db, here);
        QVERIFY(here.lembrar);
        QCOMPARE(here.usuario, QStringLiteral("ANA"));
        // Another computer: settings of its own, none of this desk's.
        DeskSettings::open().clear();
        SettingsValues there;
        LoadSettings(book.db, there);
        QVERIFY(!there.lembrar);
        QCOMPARE(there.usuario, QString());
    }

    void coloursAreTheDesksLoginAndBackupsTheBooks()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice()).ok());
        // A second desk chose colours of its own afterwards...
        SettingsChoice other = choice();
        other.corfundoentrada = QStringLiteral("#abcdef");
        DeskSettings::open().clear();
        QVERIFY(SettingsStore::save(book.db, other).ok());
        // ...and the first desk, with its settings back, keeps its colour.
        {
            QSettings first = DeskSettings::open();
            first.beginGroup(DeskSettings::bookGroup(book.db.location()));
            first.setValue(QStringLiteral("corfundoentrada"), QStringLiteral("#112233"));
        }
        SettingsValues here;
        LoadSettings(book.db, here);
        QCOMPARE(here.corfundoentrada, QStringLiteral("#112233"));
        QVERIFY(here.susuario);
        QCOMPARE(here.qtdarquivosbkp, qint16(9));
        // A third desk that never chose shows the last colours the book got.
        DeskSettings::open().clear();
        SettingsValues third;
        LoadSettings(book.db, third);
        QCOMPARE(third.corfundoentrada, QStringLiteral("#abcdef"));
    }

    // Another desk's entry appears without anyone touching the window; the
    // selected entry stays selected though its row moved down.
    void otherDesksEntriesAppearKeepingTheSelection()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        const auto at = [](int hour, const QString& description) {
            return EntryStore::Entry{QDate(2026, 12, 5),
                                     QTime(hour, 0),
                                     QStringLiteral("CAIXA"),
                                     QString(),
                                     description,
                                     Money::fromUnits(10'000),
                                     Money()};
        };
        EntryStore here(book.db);
        for (int hour : {10, 11, 12})
            QVERIFY(here.save(0, at(hour, QStringLiteral("daqui"))).ok());
        frmPrincipal w(book.session);
        auto* grid = w.findChild<QTableView*>(QStringLiteral("grade"));
        QVERIFY(grid);
        QCOMPARE(w.gridModel()->rowCount(), 3);
        grid->setCurrentIndex(w.gridModel()->index(1, EntryGridModel::Descricao));
        const qint64 selected = w.gridModel()->rows().id(1);

        DbConnection otherDesk;
        QVERIFY(otherDesk.openServer(*book.m_server).ok());
        QVERIFY(EntryStore(otherDesk).save(0, at(8, QStringLiteral("de lá"))).ok());
        QTRY_COMPARE_WITH_TIMEOUT(w.gridModel()->rowCount(), 4, 2000);
        QCOMPARE(w.gridModel()->rows().id(grid->currentIndex().row()), selected);
        QCOMPARE(grid->currentIndex().row(), 2);
    }

    // A refresh for another desk's entry leaves the grid where the user
    // scrolled it and an entry form being typed as it is.
    void otherDesksEntriesKeepTheScrollAndAnOpenForm()
    {
        TestBook book;
        book.addAccount(QStringLiteral("CAIXA"));
        const auto at = [](QTime time, const QString& description) {
            return EntryStore::Entry{
                QDate(2026, 12, 5),  time,   QStringLiteral("CAIXA"), QString(), description,
                Money::fromUnits(1), Money()};
        };
        EntryStore here(book.db);
        for (int minute = 0; minute < 80; ++minute)
            QVERIFY(
                here.save(0, at(QTime(8, 0).addSecs(60 * minute), QStringLiteral("daqui"))).ok());
        frmPrincipal w(book.session);
        w.resize(900, 500);
        w.show();
        auto* grid = w.findChild<QTableView*>(QStringLiteral("grade"));
        QVERIFY(grid);
        QTRY_VERIFY(grid->verticalScrollBar()->maximum() > 20);
        const int scrolled = grid->verticalScrollBar()->maximum() / 2;
        grid->verticalScrollBar()->setValue(scrolled);
        frmCadCaixa form(book.session, 0);
        form.show();
        auto* description = form.findChild<QPlainTextEdit*>(QStringLiteral("txtDescricao"));
        QVERIFY(description);
        description->setPlainText(QStringLiteral("meio digitado"));

        DbConnection otherDesk;
        QVERIFY(otherDesk.openServer(*book.m_server).ok());
        QVERIFY(EntryStore(otherDesk).save(0, at(QTime(23, 0), QStringLiteral("de lá"))).ok());
        QTRY_COMPARE_WITH_TIMEOUT(w.gridModel()->rowCount(), 81, 2000);
        QCOMPARE(grid->verticalScrollBar()->value(), scrolled);
        QVERIFY(form.isVisible());
        QCOMPARE(description->toPlainText(), QStringLiteral("meio digitado"));
    }

    // Words are found without case or accents, in the description, the
    // document number and the account's name; every word must be there.
    void wordsAreFoundWithoutCaseOrAccents()
    {
        TestBook book;
        book.addAccount(QStringLiteral("BANCO D'ÁVILA"));
        book.addAccount(QStringLiteral("CAIXA"));
        EntryStore store(book.db);
        const auto save = [&store](const QString& account, const QString& ndoc,
                                   const QString& description) {
            return store
                .save(0, {QDate(2026, 12, 5), QTime(9, 0), account, ndoc, description,
                          Money::fromUnits(10'000), Money()})
                .ok();
        };
        QVERIFY(save(QStringLiteral("CAIXA"), QStringLiteral("NF 12"), QStringLiteral("Depósito")));
        QVERIFY(save(QStringLiteral("BANCO D'ÁVILA"), QString(), QStringLiteral("Tarifa")));
        QVERIFY(save(QStringLiteral("CAIXA"), QString(), QStringLiteral("Venda à vista")));
        const auto found = [&book](const QString& words) {
            SearchCriteria criteria;
            criteria.words = words;
            const auto rows = EntrySearch(book.db).find(criteria, 50);
            if (!rows)
                return rows.reason();
            QStringList texts;
            for (const FoundEntry& e : *rows)
                texts.append(e.descricao);
            return texts.join(u'|');
        };
        QCOMPARE(found(QStringLiteral("DEPOSITO")), QStringLiteral("Depósito"));
        QCOMPARE(found(QStringLiteral("ávila")), QStringLiteral("Tarifa"));
        QCOMPARE(found(QStringLiteral("nf 12")), QStringLiteral("Depósito"));
        QCOMPARE(found(QStringLiteral("venda caixa")), QStringLiteral("Venda à vista"));
        QCOMPARE(found(QStringLiteral("venda banco")), QString());
        // The beginning of a word, as on a file book: "à" and "Ávila", not
        // the "a" inside "CAIXA".
        SearchCriteria all;
        all.words = QStringLiteral("a");
        const auto counted = EntrySearch(book.db).count(all);
        QVERIFY2(counted.ok(), qPrintable(counted.reason()));
        QCOMPARE(*counted, 2);
    }

    void loginIsNotSwitchedOffFromADesksCommandLine()
    {
        TestBook book;
        QVERIFY(SettingsStore::save(book.db, choice()).ok());
        QFile ini(book.dir() + QStringLiteral("/livro-caixa.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[servidor]\nurl=" + book.db.location().toUtf8() + "\n");
        ini.close();
        QProcess program;
        program.start(QStringLiteral(LIVRO_PROGRAM), {QStringLiteral("--disable-login"),
                                                      QStringLiteral("--data-dir"), book.dir()});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(QString::fromUtf8(program.readAllStandardError())
                    .contains(QStringLiteral("o login não foi desligado")));
        QCOMPARE(book.scalar(QStringLiteral("select susuario from opcoes")).toInt(), 1);
    }
};

LIVRO_TEST(tst_ServerDesk)
#include "tst_ServerDesk.moc"
