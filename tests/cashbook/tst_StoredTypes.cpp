#include "CashBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "book/AccountBook.h"

#include <QTest>

// Books written by other tools may hold some amounts as decimals or text.
// Opening such a book makes them whole ten-thousandths once, so every sum
// agrees with the grid.
class tst_StoredTypes : public QObject
{
    Q_OBJECT

private slots:
    // 04/12 received 100,00; 05/12 received 12,50 (stored as the decimal
    // 12.5) and 10,00, paid out 50,00.
    void sumsAgreeWithTheGrid()
    {
        TestBook book;
        const qint64 caixa = book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-12-04"_s, u"08:00:00"_s, caixa, u"Venda"_s, u"100,00"_s, u"0,00"_s);
        book.exec(u"insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                  "values (?, '2026-12-05', '09:00:00', 'Outra ferramenta', 12.5, 0)"_s,
                  {caixa});
        book.addEntry(u"2026-12-05"_s, u"10:00:00"_s, caixa, u"Venda"_s, u"10,00"_s, u"0,00"_s);
        book.addEntry(u"2026-12-05"_s, u"11:00:00"_s, caixa, u"Luz"_s, u"0,00"_s, u"50,00"_s);
        book.db.close();

        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY2(book.dialogs.shown.isEmpty(), qPrintable(book.dialogs.texts().join(u'|')));
        frmPrincipal w(book.session);
        QCOMPARE(column(w, EntryGridModel::Entrada), items("100,00|12,50|10,00|0,00"));
        QCOMPARE(column(w, EntryGridModel::Saldo), items("100,00|112,50|122,50|72,50"));
        QCOMPARE(panel(w), items("100,00|-27,50|122,50|50,00"));
        QCOMPARE(AccountBook(book.db).ConsultaSaldo(caixa).value().format(), u"72,50"_s);
        QCOMPARE(
            book.scalar(u"select count(*) from caixa where typeof(entrada) <> 'integer'"_s).toInt(),
            0);
    }

    // A value that is no amount at all is left as it is, and the user is
    // told which entry holds it.
    void whatIsNoAmountIsNamed()
    {
        TestBook book;
        book.exec(u"insert into caixa (id, data, hora, descricao, entrada, saida) "
                  "values (7, '2026-12-05', '09:00:00', 'Texto', 'doze', 0)"_s);
        book.db.close();
        Startup::Main(book.session);
        QCOMPARE(book.dialogs.shown.size(), 1);
        VERIFY_CONTAINS(book.dialogs.last().text, u"lançamentos 7 "_s);
        QCOMPARE(book.scalar(u"select entrada from caixa where id = 7"_s).toString(), u"doze"_s);
    }
};

LIVRO_TEST(tst_StoredTypes)
#include "tst_StoredTypes.moc"
