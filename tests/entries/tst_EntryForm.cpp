#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The clock says 05/12/2026 14:03; accounts 1 CAIXA and 2 BANCO D'ÁVILA.
struct FormBook : TestBook
{
    FormBook()
    {
        addAccount(u"CAIXA"_s);
        addAccount(u"BANCO D'ÁVILA"_s);
        LoadSettings(db, session.Settings);
    }
};

void set(frmCadCaixa& form, const QString& box, const QString& text)
{
    if (box == u"txtDescricao")
        control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(text);
    else
        control<QLineEdit>(form, qPrintable(box))->setText(text);
}

// Valid values for a new entry, which starts at the clock's date and time.
void fillValid(frmCadCaixa& form)
{
    control<QComboBox>(form, "cboConta")->setCurrentText(u"CAIXA"_s);
    set(form, u"txtNDoc"_s, u"  NF 77 "_s);
    set(form, u"txtDescricao"_s, u"Venda à vista "_s);
    set(form, u"txtEntrada"_s, u"10,00"_s);
}

QString stored(TestBook& book, const char* columns)
{
    return book
        .scalar(u"select group_concat(v, ' ') from (select %1 as v from caixa order by id)"_s.arg(
            QString::fromLatin1(columns)))
        .toString();
}

} // namespace

class tst_EntryForm : public QObject
{
    Q_OBJECT

private slots:
    // Without accounts the form says so and opens the register; "..." opens
    // it again and reloads the list. A new entry starts at the clock's date and
    // time with the first account by name, and is stored as typed (the
    // document number trimmed) with its account's balance. An older book gets
    // its "ndoc" column on the first save.
    void savesNewEntries()
    {
        TestBook book;
        LoadSettings(book.db, book.session.Settings);
        book.exec(u"alter table caixa drop column ndoc"_s);
        const auto createAccount = [](const QString& name) {
            whenModal<frmCadConta>([name](frmCadConta* reg) {
                control<QLineEdit>(*reg, "txtConta")->setText(name);
                control<QPushButton>(*reg, "cmdLancar")->click();
                reg->reject();
            });
        };
        createAccount(u"caixa"_s);
        frmCadCaixa form(book.session, 0);
        QCOMPARE(std::tuple(book.dialogs.last().title, book.dialogs.last().text,
                            book.dialogs.last().icon),
                 std::tuple(
                     u"Contas"_s,
                     u"Não existem contas cadastradas, cadastre ao menos uma antes de continuar!"_s,
                     Dialogs::Icon::Information));
        createAccount(u"banco d'ávila"_s);
        control<QPushButton>(form, "btnConta")->click();
        QCOMPARE(control<QComboBox>(form, "cboConta")->currentText(), u"BANCO D'ÁVILA"_s);
        QCOMPARE(std::pair(control<QLineEdit>(form, "txtEntrada")->palette().color(QPalette::Base),
                           control<QLineEdit>(form, "txtSaida")->palette().color(QPalette::Base)),
                 std::pair(QColor(Qt::blue), QColor(Qt::red)));
        fillValid(form);
        form.save();
        QVERIFY(book.session.EntrySaved && form.result() == QDialog::Accepted);
        QCOMPARE(stored(book,
                        "data || '|' || hora || '|' || idconta || '|' || ndoc || '|' || descricao"),
                 u"2026-12-05|14:03:00|1|NF 77|Venda à vista "_s);
        QCOMPARE(book.scalar(u"select saldo from contas where id = 1"_s).toLongLong(),
                 qint64(100000));

        // The entry and its account's balance are written together or not at
        // all; a refused save is reported and the form keeps the user's input.
        book.exec(
            u"create trigger refuse before update on contas begin select raise(abort, 'saldo recusado'); end"_s);
        book.session.EntrySaved = false;
        frmCadCaixa refused(book.session, 0);
        fillValid(refused);
        refused.save();
        QVERIFY(book.dialogs.last().text.startsWith(
            u"Não foi possível gravar o lançamento:\nsaldo recusado"_s));
        QVERIFY(refused.result() != QDialog::Accepted && !book.session.EntrySaved);
        QCOMPARE(control<QPlainTextEdit>(refused, "txtDescricao")->toPlainText(),
                 u"Venda à vista "_s);
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 1);
    }

    // Typing "." gives ","; leaving an amount box formats it, or empties it
    // when it is not an amount. Then the checks run in a fixed order, one
    // message at a time: the user starts with every box wrong and corrects one
    // box before each save.
    void typingAndChecks()
    {
        FormBook book;
        frmCadCaixa form(book.session, 0);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* in = control<QLineEdit>(form, "txtEntrada");
        const auto typeThenLeave = [&](const QString& keys) {
            in->setFocus();
            in->clear();
            QTest::keyClicks(in, keys);
            const QString typed = in->text();
            control<QLineEdit>(form, "txtSaida")->setFocus();
            return typed + u" → "_s + in->text();
        };
        QCOMPARE(typeThenLeave(u"12.5"_s), u"12,5 → 12,50"_s);
        QCOMPARE(typeThenLeave(u"-5"_s), u"-5 → -5,00"_s);
        QCOMPARE(typeThenLeave(u"1/2"_s), u"1/2 → "_s);
        QCOMPARE(typeThenLeave(u"1a2b3 4,5x"_s), u"1234,5 → 1.234,50"_s);
        QCOMPARE(typeThenLeave(QString()), u" → 0,00"_s);
        in->setText(u"7,00"_s);
        in->setFocus();
        QTRY_COMPARE(in->selectedText(), u"7,00"_s); // focus selects the whole text

        fillValid(form);
        for (const char* box : {"txtDia", "txtHora", "txtDescricao", "txtEntrada", "txtSaida"})
            set(form, QString::fromLatin1(box), QString()); // empty amounts count as "0,00"
        book.dialogs.answers = {Dialogs::Answer::No};
        const QString empty = u"Campo vazio!"_s, recheck = u"Verifique e tente novamente."_s;
        const QList<std::tuple<QString, QString, QString, QString>> steps{
            // the box corrected after the message, its new value, the message's title and text
            {u"txtDia"_s, u"31/02/2026"_s, empty, u"informe um dia válido antes de continuar!"_s},
            {u"txtDia"_s, u"06/12/2026"_s, recheck, u"Data informada é inválida!"_s},
            {u"txtDia"_s, u"04/12/2026"_s, u"Erro"_s,
             u"Não é possível lançar um registro para datas superiores a atual!"_s},
            {u"txtDia"_s, u"05/12/2026"_s, u"Confirma lançamento?"_s,
             u"A data que está lançando este registro é diferente da data atual, confirma lançamento?"_s},
            {u"txtHora"_s, u"25:00"_s, empty, u"informe um hora válida antes de continuar!"_s},
            {u"txtHora"_s, u"10:05"_s, recheck, u"Hora informada é inválida!"_s},
            {u"txtDescricao"_s, u"Venda"_s, empty,
             u"informe uma descrição válida antes de continuar!"_s},
            {u"txtEntrada"_s, u"1234,5"_s, empty,
             u"informe uma entrada ou saída antes de continuar!"_s}};
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const auto& [box, value, title, text] = steps.at(i);
            const auto& shown = book.dialogs.shown;
            form.save();
            QCOMPARE(shown.size(), i + 1);
            QCOMPARE(std::pair(shown.last().title, shown.last().text), std::pair(title, text));
            QCOMPARE(shown.last().icon, i == 3 ? Dialogs::Icon::Question : Dialogs::Icon::Critical);
            QCOMPARE(QApplication::focusWidget()->objectName(), box);
            set(form, box, value);
        }
        set(form, u"txtSaida"_s, u"2,00"_s);
        form.save();
        QCOMPARE(book.dialogs.last().text,
                 u"O sistema só pode cadastrar uma entrada ou saída por vez!"_s);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"txtEntrada"_s);
        set(form, u"txtSaida"_s, u"-"_s); // not an amount: counts and is stored as 0
        form.save();
        QCOMPARE(book.dialogs.shown.size(), steps.size() + 1);
        QCOMPARE(stored(book, "data || ' ' || hora || ' ' || entrada || ' ' || saida"),
                 u"2026-12-05 10:05:00 12345000 0"_s);
    }

    // An edit that moves an entry to another account recomputes both accounts'
    // balances; a changed time is stored to the minute.
    void edits()
    {
        FormBook book;
        const qint64 id = book.addEntry(u"2026-12-01"_s, u"09:15:42"_s, 1, u"Antigo"_s, u"100,00"_s,
                                        std::nullopt);
        book.exec(u"update contas set saldo = 1000000 where id = 1"_s);
        frmCadCaixa form(book.session, id);
        QCOMPARE(control<QLineEdit>(form, "txtEntrada")->text(), u"100,00"_s);
        control<QComboBox>(form, "cboConta")->setCurrentText(u"BANCO D'ÁVILA"_s);
        set(form, u"txtDescricao"_s, u"Corrigido"_s);
        set(form, u"txtHora"_s, u"10:00"_s);
        book.dialogs.answers = {Dialogs::Answer::Yes}; // another day than today
        form.save();
        QCOMPARE(
            stored(book, "id || '|' || idconta || '|' || hora || '|' || descricao || '|' || saida"),
            u"%1|2|10:00:00|Corrigido|0"_s.arg(id));
        QCOMPARE(book.scalar(u"select group_concat(saldo, ' ') from contas"_s).toString(),
                 u"0 1000000"_s);

        // The row of a deleted account leaves the list without a choice: the
        // account check (before the amount checks) asks for one and opens the register.
        book.exec(u"update caixa set idconta = 99, data = '2026-12-05'"_s);
        frmCadCaixa orphan(book.session, id);
        QCOMPARE(control<QComboBox>(orphan, "cboConta")->currentIndex(), -1);
        bool registerOpened = false;
        whenModal<frmCadConta>([&](frmCadConta* reg) {
            registerOpened = true;
            reg->reject();
        });
        orphan.save();
        QVERIFY(registerOpened);
        QCOMPARE(std::pair(book.dialogs.last().title, book.dialogs.texts().mid(1)),
                 std::pair(u"Campo vazio!"_s,
                           QStringList{u"Selecione uma conta antes de continuar!"_s}));
        QCOMPARE(stored(book, "idconta"), u"99"_s);
        QCOMPARE(control<QComboBox>(orphan, "cboConta")->currentIndex(),
                 0); // the list was loaded again
    }
};

LIVRO_TEST(tst_EntryForm)
#include "tst_EntryForm.moc"
