#include "CashBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "book/Backup.h"
#include "core/BookLock.h"

#include <QAction>
#include <QDir>
#include <QTableView>
#include <QTest>
#include <QToolButton>

// What start-up makes of the book it finds, and what the main window then shows.
class tst_OpenedBooks : public QObject
{
    Q_OBJECT

private slots:
    // A file that is not a cash book: start-up gives the connection message,
    // leaves the file as it was and holds no lock (nothing stops the next
    // start). The main window says that no book is open and why, offers
    // nothing that needs one, and makes no backup when it closes.
    void aFileThatIsNoBook()
    {
        TestBook book;
        book.db.close();
        const QByteArray notes = "notas da loja, não um livro de caixa\n";
        writeFile(book.bookPath(), notes);

        QCOMPARE(Startup::Main(book.session), Startup::FirstWindow::Main);
        QVERIFY(!book.session.bookOpen && !book.session.bookLock);
        QCOMPARE(book.dialogs.shown.size(), 1);
        const FakeDialogs::Shown& shown = book.dialogs.last();
        QCOMPARE(shown.title, u"A T E  Ç Ã O"_s);
        QCOMPARE(shown.icon, Dialogs::Icon::Exclamation);
        QVERIFY2(shown.text.endsWith(u"\nNão foi possivel conectar ao servidor"_s) &&
                     shown.text.contains(QDir::toNativeSeparators(book.bookPath())),
                 qPrintable(shown.text));
        QCOMPARE(fileBytes(book.bookPath()), notes);
        QVERIFY(!QFile::exists(BookLock::lockPath(book.bookPath())));

        frmPrincipal w(book.session);
        showActive(w);
        auto* notice = control<QLabel>(w, "lblSemLivro");
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->text().startsWith(u"Nenhum livro de caixa está aberto: "_s) &&
                     notice->text().contains(book.session.noBookReason),
                 qPrintable(notice->text()));
        for (const char* name : {"btnAdicionar", "btnExcluir", "btnEditar"}) {
            auto* button = control<QToolButton>(w, name);
            QVERIFY2(!button->isEnabled() && button->toolTip() == notice->text(), name);
        }
        QVERIFY(!control<QTableView>(w, "grade")->isEnabled());
        QVERIFY(!control<QAction>(w, "mnuOpcoes")->isEnabled());
        w.close();
        QCOMPARE(book.dialogs.shown.size(), 1);
        QVERIFY(!QDir(Backup::folderFor(book.bookPath())).exists());
    }

    // Books written by other tools may hold some amounts as decimals or text.
    // Opening such a book makes them whole ten-thousandths once, so every sum
    // agrees with the grid: 04/12 received 100,00; 05/12 received 12,50
    // (stored as the decimal 12.5) and 10,00, paid out 50,00.
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
        QCOMPARE(column(w, EntryGridModel::Saldo), items("100,00|112,50|122,50|72,50"));
        QCOMPARE(panel(w), items("100,00|-27,50|122,50|50,00"));
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

LIVRO_TEST(tst_OpenedBooks)
#include "tst_OpenedBooks.moc"
