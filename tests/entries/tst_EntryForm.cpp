#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

namespace {

struct FormBook : TestBook
{
    FormBook()
    {
        caixa = addAccount(QStringLiteral("CAIXA"));
        banco = addAccount(QStringLiteral("BANCO D'ÁVILA"));
        LoadSettings(db, session.Settings);
    }
    qint64 caixa = 0;
    qint64 banco = 0;
};

// Fills the boxes of a new entry with valid values for today.
void fillValid(frmCadCaixa& form)
{
    control<QLineEdit>(form, "txtDia")->setText(QStringLiteral("05/12/2026"));
    control<QLineEdit>(form, "txtHora")->setText(QStringLiteral("14:03"));
    control<QComboBox>(form, "cboConta")->setCurrentText(QStringLiteral("CAIXA"));
    control<QLineEdit>(form, "txtNDoc")->setText(QStringLiteral("  NF 77 "));
    control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(QStringLiteral("Venda à vista "));
    control<QLineEdit>(form, "txtEntrada")->setText(QStringLiteral("10,00"));
    control<QLineEdit>(form, "txtSaida")->setText(QStringLiteral("0,00"));
}

int entries(TestBook& book)
{
    return book.scalar(QStringLiteral("select count(*) from caixa")).toInt();
}

} // namespace

class tst_EntryForm : public QObject
{
    Q_OBJECT

private slots:
    void opensForANewEntry()
    {
        FormBook book;
        frmCadCaixa form(book.session);
        QCOMPARE(form.windowTitle(), QStringLiteral("Registros"));
        QCOMPARE(control<QLineEdit>(form, "txtDia")->text(), QStringLiteral("05/12/2026"));
        QCOMPARE(control<QLineEdit>(form, "txtHora")->text(), QStringLiteral("14:03"));
        auto* accounts = control<QComboBox>(form, "cboConta");
        QCOMPARE(accounts->count(), 2);
        QCOMPARE(accounts->currentText(), QStringLiteral("BANCO D'ÁVILA")); // first in name order
        QCOMPARE(control<QLineEdit>(form, "txtEntrada")->text(), QStringLiteral("0,00"));
        QCOMPARE(control<QLineEdit>(form, "txtEntrada")->palette().color(QPalette::Base), QColor(Qt::blue));
        QCOMPARE(control<QLineEdit>(form, "txtSaida")->palette().color(QPalette::Base), QColor(Qt::red));
        QVERIFY(control<QLineEdit>(form, "txtDia")->isEnabled());
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    void savesANewEntryOfToday()
    {
        FormBook book;
        frmCadCaixa form(book.session);
        fillValid(form);
        form.save();
        QVERIFY(book.dialogs.shown.isEmpty());
        QVERIFY(book.session.EntrySaved);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QSqlQuery q(book.db.database());
        QVERIFY(q.exec(QStringLiteral("select data, hora, idconta, ndoc, descricao, entrada, saida from caixa")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2026-12-05"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("14:03:00"));
        QCOMPARE(q.value(2).toLongLong(), book.caixa);
        QCOMPARE(q.value(3).toString(), QStringLiteral("NF 77"));
        QCOMPARE(q.value(4).toString(), QStringLiteral("Venda à vista "));
        QCOMPARE(q.value(5).toLongLong(), qint64(100000));
        QCOMPARE(q.value(6).toLongLong(), qint64(0));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.caixa}).toLongLong(), qint64(100000));
    }

    // What the amount boxes hold at save time is what is stored: a negative
    // amount in, and a box left empty (a lone "-") as zero.
    void storedAmounts_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::addColumn<qint64>("storedIn");
        QTest::addColumn<qint64>("storedOut");
        QTest::newRow("negative in") << "-5" << "0,00" << qint64(-50000) << qint64(0);
        QTest::newRow("empty in") << "-" << "3,00" << qint64(0) << qint64(30000);
        QTest::newRow("unformatted out") << "0,00" << "1234,5" << qint64(0) << qint64(12345000);
    }
    void storedAmounts()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QFETCH(qint64, storedIn);
        QFETCH(qint64, storedOut);
        FormBook book;
        frmCadCaixa form(book.session);
        fillValid(form);
        control<QLineEdit>(form, "txtEntrada")->setText(in);
        control<QLineEdit>(form, "txtSaida")->setText(out);
        form.save();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select entrada from caixa")).toLongLong(), storedIn);
        QCOMPARE(book.scalar(QStringLiteral("select saida from caixa")).toLongLong(), storedOut);
    }

    void checksRunInOrder_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty date") << "txtDia" << "" << "Campo vazio!" << "informe um dia válido antes de continuar!" << "txtDia";
        QTest::newRow("31 February") << "txtDia" << "31/02/2026" << "Verifique e tente novamente." << "Data informada é inválida!" << "txtDia";
        QTest::newRow("tomorrow") << "txtDia" << "06/12/2026" << "Erro" << "Não é possível lançar um registro para datas superiores a atual!" << "txtDia";
        QTest::newRow("empty time") << "txtHora" << "" << "Campo vazio!" << "informe um hora válida antes de continuar!" << "txtHora";
        QTest::newRow("hour 25") << "txtHora" << "25:00" << "Verifique e tente novamente." << "Hora informada é inválida!" << "txtHora";
        QTest::newRow("minute 60") << "txtHora" << "10:60" << "Verifique e tente novamente." << "Hora informada é inválida!" << "txtHora";
        QTest::newRow("missing digit") << "txtHora" << "10:5" << "Verifique e tente novamente." << "Hora informada é inválida!" << "txtHora";
        QTest::newRow("empty description") << "txtDescricao" << "   " << "Campo vazio!" << "informe uma descrição válida antes de continuar!" << "txtDescricao";
        QTest::newRow("both zero") << "txtEntrada" << "0,00" << "Campo vazio!" << "informe uma entrada ou saída antes de continuar!" << "txtEntrada";
        QTest::newRow("empty in, zero out") << "txtEntrada" << "" << "Campo vazio!" << "informe uma entrada ou saída antes de continuar!" << "txtEntrada";
        QTest::newRow("both amounts") << "txtSaida" << "1,00" << "Campo vazio!" << "O sistema só pode cadastrar uma entrada ou saída por vez!" << "txtEntrada";
    }
    void checksRunInOrder()
    {
        QFETCH(QString, box);
        QFETCH(QString, value);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        FormBook book;
        frmCadCaixa form(book.session);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fillValid(form);
        if (box == u"txtDescricao")
            control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(value);
        else
            control<QLineEdit>(form, qPrintable(box))->setText(value);
        form.save();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, title);
        QCOMPARE(book.dialogs.last().text, text);
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(entries(book), 0);
        QVERIFY(form.isVisible());
        QVERIFY(!book.session.EntrySaved);
    }

    void anotherDayIsConfirmed()
    {
        FormBook book;
        frmCadCaixa form(book.session);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        fillValid(form);
        control<QLineEdit>(form, "txtDia")->setText(QStringLiteral("04/12/2026"));
        book.dialogs.answers = {Dialogs::Answer::No};
        form.save();
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Confirma lançamento?"));
        QCOMPARE(book.dialogs.last().text, QStringLiteral("A data que está lançando este registro é diferente da data atual, confirma lançamento?"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Question);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtDia"));
        QCOMPARE(entries(book), 0);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        form.save();
        QCOMPARE(entries(book), 1);
        QCOMPARE(book.scalar(QStringLiteral("select data from caixa")).toString(), QStringLiteral("2026-12-04"));
    }

    void amountBoxesTypingAndLeaving()
    {
        FormBook book;
        frmCadCaixa form(book.session);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* in = control<QLineEdit>(form, "txtEntrada");
        auto* out = control<QLineEdit>(form, "txtSaida");
        const auto typeThenLeave = [&](const QString& keys) {
            in->setFocus();
            in->clear();
            QTest::keyClicks(in, keys);
            const QString typed = in->text();
            out->setFocus();
            return std::pair{typed, in->text()};
        };
        QCOMPARE(typeThenLeave(QStringLiteral("12.5")), std::pair(QStringLiteral("12,5"), QStringLiteral("12,50")));
        QCOMPARE(typeThenLeave(QStringLiteral("-5")), std::pair(QStringLiteral("-5"), QStringLiteral("-5,00")));
        QCOMPARE(typeThenLeave(QStringLiteral("-")), std::pair(QStringLiteral("-"), QString()));
        QCOMPARE(typeThenLeave(QStringLiteral("1/2")), std::pair(QStringLiteral("1/2"), QString()));
        QCOMPARE(typeThenLeave(QStringLiteral("1a2b3 4,5x")), std::pair(QStringLiteral("1234,5"), QStringLiteral("1.234,50")));
        QCOMPARE(typeThenLeave(QString()), std::pair(QString(), QStringLiteral("0,00")));
        QCOMPARE(typeThenLeave(QStringLiteral("99999999999999999")), std::pair(QStringLiteral("99999999999999999"), QString()));
        // Focus selects the whole text.
        in->setText(QStringLiteral("7,00"));
        out->setFocus();
        in->setFocus();
        QTRY_COMPARE(in->selectedText(), QStringLiteral("7,00"));
    }

    void editMovesTheEntryAndBothBalances()
    {
        FormBook book;
        const qint64 id = book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:15:42"), book.caixa,
                                        QStringLiteral("Antigo"), QStringLiteral("100,00"), QStringLiteral("0,00"));
        book.exec(QStringLiteral("update contas set saldo = 1000000 where id = ?"), {book.caixa});
        book.session.EditEntryId = id;
        frmCadCaixa form(book.session);
        form.fillForEdit({QStringLiteral("01/12/2026"), QTime(9, 15, 42), QStringLiteral("CAIXA"), QString(),
                          QStringLiteral("Antigo"), QStringLiteral("100,00"), QStringLiteral("0,00")});
        QCOMPARE(control<QLineEdit>(form, "txtHora")->text(), QStringLiteral("09:15"));
        control<QComboBox>(form, "cboConta")->setCurrentText(QStringLiteral("BANCO D'ÁVILA"));
        control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(QStringLiteral("Corrigido"));
        form.save(); // another day: confirmed by the default "yes"
        QCOMPARE(entries(book), 1);
        QCOMPARE(book.scalar(QStringLiteral("select idconta from caixa where id = ?"), {id}).toLongLong(), book.banco);
        QCOMPARE(book.scalar(QStringLiteral("select descricao from caixa where id = ?"), {id}).toString(), QStringLiteral("Corrigido"));
        // The time was not touched: its seconds are kept.
        QCOMPARE(book.scalar(QStringLiteral("select hora from caixa where id = ?"), {id}).toString(), QStringLiteral("09:15:42"));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.banco}).toLongLong(), qint64(1000000));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.caixa}).toLongLong(), qint64(0));
    }

    void changedTimeIsStoredWithoutSeconds()
    {
        FormBook book;
        const qint64 id = book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:15:42"), book.caixa,
                                        QStringLiteral("x"), QStringLiteral("1,00"), QStringLiteral("0,00"));
        book.session.EditEntryId = id;
        frmCadCaixa form(book.session);
        form.fillForEdit({QStringLiteral("05/12/2026"), QTime(9, 15, 42), QStringLiteral("CAIXA"), QString(),
                          QStringLiteral("x"), QStringLiteral("1,00"), QString()});
        // An amount stored empty is shown as "0,00", so the entry can be saved.
        QCOMPARE(control<QLineEdit>(form, "txtSaida")->text(), QStringLiteral("0,00"));
        control<QLineEdit>(form, "txtHora")->setText(QStringLiteral("10:00"));
        form.save();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select hora from caixa where id = ?"), {id}).toString(), QStringLiteral("10:00:00"));
    }

    void entryOfADeletedAccountNeedsAChoice()
    {
        FormBook book;
        const qint64 id = book.addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:00:00"), 99,
                                        QStringLiteral("x"), QStringLiteral("1,00"), QStringLiteral("0,00"));
        book.session.EditEntryId = id;
        frmCadCaixa form(book.session);
        form.fillForEdit({QStringLiteral("05/12/2026"), QTime(9, 0), QStringLiteral("-"), QString(),
                          QStringLiteral("x"), QStringLiteral("1,00"), QStringLiteral("0,00")});
        QCOMPARE(control<QComboBox>(form, "cboConta")->currentIndex(), -1);
        bool registerOpened = false;
        whenModal<frmCadConta>([&](frmCadConta* reg) {
            registerOpened = true;
            reg->reject();
        });
        form.save();
        QVERIFY(registerOpened);
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Selecione uma conta antes de continuar!"));
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Campo vazio!"));
        QCOMPARE(book.scalar(QStringLiteral("select idconta from caixa where id = ?"), {id}).toLongLong(), qint64(99));
        // The list was loaded again: the first account is chosen now.
        QCOMPARE(control<QComboBox>(form, "cboConta")->currentIndex(), 0);
    }

    void noAccountsOpensTheRegister()
    {
        TestBook book;
        whenModal<frmCadConta>([](frmCadConta* reg) {
            control<QLineEdit>(*reg, "txtConta")->setText(QStringLiteral("caixa"));
            control<QPushButton>(*reg, "cmdLancar")->click();
            reg->reject();
        });
        frmCadCaixa form(book.session);
        QCOMPARE(book.dialogs.shown.size(), 1);
        QCOMPARE(book.dialogs.last().title, QStringLiteral("Contas"));
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Information);
        QCOMPARE(book.dialogs.last().text, QStringLiteral("Não existem contas cadastradas, cadastre ao menos uma antes de continuar!"));
        // The account exists now, but the list stays empty until "..." reloads it.
        QCOMPARE(book.scalar(QStringLiteral("select descricao from contas")).toString(), QStringLiteral("CAIXA"));
        auto* accounts = control<QComboBox>(form, "cboConta");
        QCOMPARE(accounts->count(), 0);
        whenModal<frmCadConta>([](frmCadConta* reg) { reg->reject(); });
        control<QPushButton>(form, "btnConta")->click();
        QCOMPARE(accounts->count(), 1);
        QCOMPARE(accounts->currentText(), QStringLiteral("CAIXA"));
    }

    void olderBookGetsTheDocumentNumberOnSave()
    {
        FormBook book;
        book.exec(QStringLiteral("alter table caixa drop column ndoc"));
        frmCadCaixa form(book.session);
        fillValid(form);
        form.save();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(book.scalar(QStringLiteral("select ndoc from caixa")).toString(), QStringLiteral("NF 77"));
    }

    void refusedSaveKeepsTheForm()
    {
        FormBook book;
        frmCadCaixa form(book.session);
        form.show();
        fillValid(form);
        book.exec(QStringLiteral("PRAGMA query_only = ON"));
        form.save();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(book.dialogs.last().text.startsWith(QStringLiteral("Não foi possível gravar o lançamento:")));
        QVERIFY(form.isVisible());
        QVERIFY(!book.session.EntrySaved);
        QCOMPARE(control<QPlainTextEdit>(form, "txtDescricao")->toPlainText(), QStringLiteral("Venda à vista "));
        QCOMPARE(book.scalar(QStringLiteral("select saldo from contas where id = ?"), {book.caixa}).toLongLong(), qint64(0));
    }

};

LIVRO_TEST(tst_EntryForm)
#include "tst_EntryForm.moc"
