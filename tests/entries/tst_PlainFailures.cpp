#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

// A write the book refuses is told in words a shopkeeper understands, with
// the database's own text in the details; the form keeps what was typed.
class tst_PlainFailures : public QObject
{
    Q_OBJECT

private slots:
    void aRefusedSaveIsToldPlainly_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("details");
        // The book may not grow by a page: as a full disk does it.
        QTest::newRow("disk full") << u"PRAGMA max_page_count = %1"_s << u"10,00"_s
                                   << u"O disco está cheio: o lançamento não foi gravado."_s
                                   << u"database or disk is full"_s;
        QTest::newRow("read-only book")
            << u"PRAGMA query_only = 1"_s << u"10,00"_s
            << u"O livro de caixa não pode ser alterado (o arquivo ou a pasta só permite leitura): "
               "o lançamento não foi gravado."_s
            << u"readonly"_s;
        // The account holds 900 trillion already: its balance would not fit.
        QTest::newRow("sum too large")
            << QString() << u"100.000.000.000.000,00"_s
            << u"A soma dos valores seria um valor grande demais para o sistema: o lançamento não "
               "foi gravado."_s
            << u"integer overflow"_s;
    }
    void aRefusedSaveIsToldPlainly()
    {
        QFETCH(QString, setup);
        QFETCH(QString, amount);
        QFETCH(QString, text);
        QFETCH(QString, details);
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-12-01"_s, u"08:00:00"_s, 1, u"Aporte"_s, u"900.000.000.000.000,00"_s,
                      u"0,00"_s);
        LoadSettings(book.db, book.session.Settings);
        if (!setup.isEmpty())
            book.exec(setup.arg(book.scalar(u"PRAGMA page_count"_s).toLongLong()));
        frmCadCaixa form(book.session, 0);
        const QString description = QString(6000, u'x'); // needs pages of its own
        control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(description);
        control<QLineEdit>(form, "txtEntrada")->setText(amount);
        form.save();

        QVERIFY(form.result() != QDialog::Accepted);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().text, text);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        VERIFY_CONTAINS(book.dialogs.last().details, details);
        QCOMPARE(control<QPlainTextEdit>(form, "txtDescricao")->toPlainText(), description);
        if (setup.startsWith(u"PRAGMA query_only"))
            book.exec(u"PRAGMA query_only = 0"_s);
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 1);
        QCOMPARE(book.scalar(u"select saldo from contas"_s).toLongLong(), 0);
    }
};

LIVRO_TEST(tst_PlainFailures)
#include "tst_PlainFailures.moc"
