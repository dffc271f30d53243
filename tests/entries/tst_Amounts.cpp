#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "core/SettingsStore.h"
#include "entries/AmountBox.h"
#include "entries/frmCadCaixa.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;

// Amounts typed with thousands separators are read as meant, and a text that
// cannot be read stays in its box, marked, and is never saved.
class tst_Amounts : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatWasMeant_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");   // after leaving the box
        QTest::addColumn<QString>("problem"); // part of the reason; empty when read
        const auto row = [](const char* name, const QString& typed, const QString& shown,
                            const QString& problem = {}) {
            QTest::newRow(name) << typed << shown << problem;
        };
        row("a thousand typed with a dot", u"1,500"_s, u"1.500,00"_s);
        row("twelve thousand", u"12,000"_s, u"12.000,00"_s);
        row("one to three digits, then three", u"1,999"_s, u"1.999,00"_s);
        row("minus a thousand", u"-1,500"_s, u"-1.500,00"_s);
        row("millions", u"1,234,567"_s, u"1.234.567,00"_s);
        row("several: the last is the decimal comma", u"1,234,56"_s, u"1.234,56"_s);
        row("formatted", u"1.234,56"_s, u"1.234,56"_s);
        row("one decimal", u"12,5"_s, u"12,50"_s);
        row("four digits, two decimals", u"1234,56"_s, u"1.234,56"_s);
        row("a leading zero is no grouping", u"0,500"_s, u"0,500"_s, u"duas casas decimais"_s);
        row("four digits are no group", u"1234,567"_s, u"1234,567"_s, u"duas casas decimais"_s);
        row("four decimals", u"1,9999"_s, u"1,9999"_s, u"duas casas decimais"_s);
        row("a group of two", u"1,23,45"_s, u"1,23,45"_s, u"fora do lugar"_s);
        row("a fraction", u"1/2"_s, u"1/2"_s, u"não é um valor"_s);
        row("a lone minus", u"-"_s, u"-"_s, u"não é um valor"_s);
        row("too large", u"9999999999999999"_s, u"9999999999999999"_s, u"grande demais"_s);
        row("empty", QString(), u"0,00"_s);
    }
    void readsWhatWasMeant()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, problem);
        const AmountBox::Reading reading = AmountBox::read(typed);
        QCOMPARE(reading.shown, shown);
        QCOMPARE(reading.amount.has_value(), problem.isEmpty());
        QVERIFY2(problem.isEmpty() ? reading.problem.isEmpty() : reading.problem.contains(problem),
                 qPrintable(reading.problem));
    }

    // In the form: typed "1.500" is stored as a thousand and five hundred; an
    // unreadable amount keeps its text in the error colours with the reason,
    // and the save refuses it and stores nothing.
    void theFormKeepsWhatItCannotRead()
    {
        TestBook book;
        book.addAccount(u"CAIXA"_s);
        LoadSettings(book.db, book.session.Settings);
        frmCadCaixa form(book.session, 0);
        showActive(form);
        auto* in = control<QLineEdit>(form, "txtEntrada");
        auto* out = control<QLineEdit>(form, "txtSaida");
        control<QPlainTextEdit>(form, "txtDescricao")->setPlainText(u"Venda"_s);
        const QColor normal = in->palette().color(QPalette::Base);

        in->setFocus();
        in->clear();
        QTest::keyClicks(in, u"0.999"_s);
        out->setFocus();
        QCOMPARE(in->text(), u"0,999"_s);
        QVERIFY(in->palette().color(QPalette::Base) != normal);
        VERIFY_CONTAINS(in->toolTip(), u"duas casas decimais"_s);
        form.save();
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"0,999"_s);
        QCOMPARE(QApplication::focusWidget(), in);
        // An amount beyond what the book holds is kept too, the largest one named.
        in->setText(u"1.000.000.000.000.000,00"_s);
        out->setFocus();
        QCOMPARE(in->text(), u"1.000.000.000.000.000,00"_s);
        form.save();
        QCOMPARE(book.dialogs.last().title, u"Verifique e tente novamente."_s);
        QVERIFY2(book.dialogs.last().text.contains(u"grande demais"_s) &&
                     book.dialogs.last().text.contains(u"922.337.203.685.477,58"_s),
                 qPrintable(book.dialogs.last().text));
        QCOMPARE(QApplication::focusWidget(), in);
        QVERIFY(form.result() != QDialog::Accepted);
        QCOMPARE(book.scalar(u"select count(*) from caixa"_s).toInt(), 0);

        in->clear();
        QTest::keyClicks(in, u"1.500"_s);
        QCOMPARE(in->text(), u"1,500"_s);
        out->setFocus();
        QCOMPARE(in->text(), u"1.500,00"_s);
        QCOMPARE(in->palette().color(QPalette::Base), normal);
        form.save();
        QCOMPARE(book.scalar(u"select entrada from caixa"_s).toLongLong(), 15000000);
    }
};

LIVRO_TEST(tst_Amounts)
#include "tst_Amounts.moc"
