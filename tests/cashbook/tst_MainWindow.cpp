#include "CashBook.h"
#include "TestMain.h"
#include "app/Startup.h"
#include "book/Backup.h"
#include "book/EntryRows.h"
#include "core/BookLock.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

QColor cellColour(const frmPrincipal& w, int row, int role)
{
    return w.gridModel()->index(row, EntryGridModel::Descricao).data(role).value<QColor>();
}

// The main window shown and active, its grid model checked on every change.
struct ShownWindow
{
    explicit ShownWindow(CashBook& book) : w(book.session)
    {
        w.show();
        if (!QTest::qWaitForWindowActive(&w))
            qFatal("the main window did not become active");
    }
    void activate(const QString& day, const QString& days)
    {
        control<QLineEdit>(w, "txtDia")->setText(day);
        control<QLineEdit>(w, "txtDias")->setText(days);
        control<QPushButton>(w, "btnAtivar")->click();
    }
    frmPrincipal w;
    QAbstractItemModelTester tester{w.gridModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    // The window opens on today with one day before it. Rows in date, time
    // and id order; an account that is gone shows "-"; an entry without
    // amounts shows an empty "in" and "0,00" out; seconds are not shown.
    // Running balances start from the entries before the period; the panel
    // holds yesterday's and today's movement and the period's totals.
    // Received rows on blue, the others on red. "Atualizações" opens the web site.
    void opensOnTodayAndTheDayBefore()
    {
        CashBook book;
        frmPrincipal w(book.session);
        QCOMPARE(control<QLineEdit>(w, "txtDia")->text(), u"05/12/2026"_s);
        QCOMPARE(control<QLabel>(w, "lblDataHora")->text(),
                 u"CAIXA ATIVO : 04/12/2026 até 05/12/2026"_s);
        QCOMPARE(column(w, EntryGridModel::Descricao),
                 items("Venda|Luz|Compra|Venda cartão|Conta apagada|Sem valor"));
        QCOMPARE(w.gridModel()->cellText(4, EntryGridModel::Conta), u"-"_s);
        QCOMPARE(row(w, 3), items("50|05/12/2026|10:00|CAIXA|NF 1|Venda cartão|50,00|0,00|900,00"));
        QCOMPARE(row(w, 5), QStringList{QString::number(book.last)} +
                                items("05/12/2026|12:00|CAIXA|NF 9|Sem valor||0,00|910,00"));
        QCOMPARE(column(w, EntryGridModel::Saldo).first(), u"900,00"_s);
        QCOMPARE(panel(w), items("70,00|40,00|160,00|50,00"));
        QCOMPARE(cellColour(w, 0, Qt::BackgroundRole), QColor(Qt::blue));
        QCOMPARE(cellColour(w, 1, Qt::BackgroundRole), QColor(Qt::red));
        control<QAction>(w, "mnuAtualizacoes")->trigger(); // the web site
        QCOMPARE(book.dialogs.openedUrls.value(0).scheme(), u"https"_s);
        QVERIFY(control<QAction>(w, "mnuRestaurar")->isVisible()); // a common-level user's
    }

    // One "saldos" row per day of the period, however often it refreshes.
    void oneDayBalanceRowPerDay()
    {
        CashBook book;
        frmPrincipal w(book.session);
        book.addEntry(u"2026-12-05"_s, u"13:00:00"_s, book.caixa, u"Mais"_s, u"0,00"_s, u"60,00"_s);
        w.Activate();
        w.Activate();
        QCOMPARE(book.strings(u"select data || ' ' || saldo from saldos order by data"_s),
                 items("2026-12-04 700000|2026-12-05 -200000"));
    }

    // A day that is not a date or is after today is refused with a message,
    // the day selected and the period unchanged.
    void refusedDays_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString invalid = u"Informe uma data válida antes de continuar!"_s;
        QTest::newRow("empty") << QString() << u"Erro"_s << invalid;
        QTest::newRow("31 February") << u"31/02/2026"_s << u"Erro"_s << invalid;
        QTest::newRow("tomorrow") << u"06/12/2026"_s << u"Data inválida"_s
                                  << u"Impossível ativar o caixa para uma data superior a atual!"_s;
    }
    void refusedDays()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, text);
        CashBook book;
        ShownWindow shown(book);
        auto* txtDia = control<QLineEdit>(shown.w, "txtDia");
        control<QLineEdit>(shown.w, "txtDias")->setFocus();
        txtDia->setText(typed);
        control<QPushButton>(shown.w, "btnAtivar")->click();
        QCOMPARE(book.dialogs.messages(), QStringList{title + u": "_s + text});
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QVERIFY(txtDia->hasFocus());
        QCOMPARE(txtDia->selectedText(), txtDia->displayText());
        QCOMPARE(shown.w.PeriodStart(), QDate(2026, 12, 4));
        QCOMPARE(shown.w.PeriodEnd(), QDate(2026, 12, 5));
    }

    // The days box takes two digits and nothing else, and 0 becomes 1 on
    // leaving it. Alt+A presses "&Ativar", not "&Atualizações". Nothing before the
    // period: the balances start at zero; no account at all: an empty cell.
    // An empty period empties the panel too.
    void altAActivatesAnEarlierPeriod()
    {
        CashBook book;
        ShownWindow shown(book);
        auto* txtDia = control<QLineEdit>(shown.w, "txtDia");
        auto* txtDias = control<QLineEdit>(shown.w, "txtDias");
        txtDias->setFocus();
        txtDias->clear();
        QTest::keyClicks(txtDias, u"a-9,x95"_s);
        QCOMPARE(txtDias->text(), u"99"_s); // two digits and nothing else
        txtDias->setText(u"0"_s);
        txtDia->setFocus();
        QCOMPARE(txtDias->text(), u"1"_s);
        txtDias->setText(u"2"_s);
        txtDia->setText(u"02/12/2026"_s);
        txtDia->setFocus();
        QTest::keyClick(txtDia, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(shown.w.PeriodEnd(), QDate(2026, 12, 2));
        QVERIFY(book.dialogs.openedUrls.isEmpty());
        QCOMPARE(control<QLabel>(shown.w, "lblDataHora")->text(),
                 u"CAIXA ATIVO : 30/11/2026 até 02/12/2026"_s);
        QCOMPARE(column(shown.w, EntryGridModel::Saldo), items("1.000,00|800,00|800,00"));
        QCOMPARE(column(shown.w, EntryGridModel::Conta), items("CAIXA|BANCO D'ÁVILA|"));
        QCOMPARE(panel(shown.w), items("1.000,00|-200,00|1.000,00|200,00"));
        // A period without entries still refreshes the panel.
        shown.activate(u"01/01/2025"_s, u"2"_s);
        QCOMPARE(shown.w.gridModel()->rowCount(), 0);
        QCOMPARE(panel(shown.w), items("0,00|0,00|0,00|0,00"));
    }

    // The grid takes what a larger window gives; the window opens again
    // where it was last closed, at the size it had.
    void theWindowsSizeAndPlace()
    {
        CashBook book;
        book.dialogs.answers = {Dialogs::Answer::No}; // no backup at the close
        QRect closedAt;
        {
            ShownWindow shown(book);
            shown.w.setGeometry(QRect(60, 50, 1400, 1000));
            QTRY_VERIFY(control<QTableView>(shown.w, "grade")->height() > 600);
            closedAt = shown.w.geometry();
            shown.w.close();
        }
        frmPrincipal again(book.session);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry(), closedAt);
    }

    // The selected row, the last one after a refresh, is plainly marked
    // (a black frame) yet keeps its colours: "Luz", paid out, on red.
    void theSelectedRowKeepsItsColours()
    {
        CashBook book;
        ShownWindow shown(book);
        auto* grid = control<QTableView>(shown.w, "grade");
        QVERIFY(grid->selectionModel()->isRowSelected(shown.w.gridModel()->rowCount() - 1, {}));
        grid->selectRow(1);
        const QRect cell =
            grid->visualRect(shown.w.gridModel()->index(1, EntryGridModel::Descricao));
        const QImage shot = grid->viewport()->grab().toImage();
        const QColor inside = shot.pixelColor(cell.right() - 8, cell.center().y());
        QVERIFY2(inside.red() > 200 && inside.blue() < inside.red() &&
                     inside.green() < inside.red(),
                 qPrintable(inside.name()));
        QCOMPARE(shot.pixelColor(cell.center().x(), cell.top()), QColor(Qt::black));
    }

    // Books the window copes with: an older one without "ndoc" (the column is
    // added), one that refuses writes (reported once, still shown), one that
    // could not be opened (nothing shown), and running balances too large for
    // the money type (refused, never wrapped).
    void unusualBooks_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("documents");
        QTest::addColumn<QStringList>("panel");
        QTest::addColumn<QString>("message");
        const QStringList shown = items("70,00|40,00|160,00|50,00");
        const char* huge = "insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                           "values (1, '2026-12-05', '13:00:00', 'x', 9223372036854775797, 0)";
        QTest::newRow("without ndoc")
            << "alter table caixa drop column ndoc" << items("|||||") << shown << "";
        QTest::newRow("read-only") << "PRAGMA query_only = ON" << items("|||NF 1||NF 9") << shown
                                   << "O livro de caixa não pode ser alterado (o arquivo ou a "
                                      "pasta só permite leitura): o saldo do dia não foi gravado.";
        QTest::newRow("not open") << "" << QStringList() << items("0,00|0,00|0,00|0,00") << "";
        QTest::newRow("overflow") << QString::fromUtf8(huge) + u';' + QString::fromUtf8(huge)
                                  << QStringList() << items("70,00|0,00|0,00|0,00")
                                  << "Os valores deste período somam um valor grande demais";
    }
    void unusualBooks()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, documents);
        QFETCH(QStringList, panel);
        QFETCH(QString, message);
        CashBook book;
        if (setup.isEmpty())
            book.db.close(); // the book could not be opened
        for (const QString& sql : setup.split(u';', Qt::SkipEmptyParts))
            book.exec(sql);
        frmPrincipal w(book.session);
        QCOMPARE(column(w, EntryGridModel::NDoc), documents);
        QCOMPARE(::panel(w), panel);
        QCOMPARE(book.dialogs.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(book.dialogs.last().text.startsWith(message),
                     qPrintable(book.dialogs.last().text));
    }

    // Many rows, with texts of every size (one larger than a storage chunk),
    // and without some texts, come back exactly as stored.
    void rowStorageKeepsEveryText()
    {
        EntryRows rows;
        const auto text = [](int i) {
            return i == 20000 ? QString(3 << 20, u'z') : QString(i % 300, QChar(u'a' + i % 26));
        };
        for (int i = 0; i <= 20000; ++i) {
            const QString descricao = text(i), ndoc = QString::number(i);
            EntryRows::Entry e;
            e.descricao = descricao;
            e.ndoc = i % 3 == 0 ? std::optional<QStringView>(ndoc) : std::nullopt;
            rows.append(e);
        }
        QCOMPARE(rows.size(), qsizetype(20001));
        for (int i = 0; i <= 20000; i += 4) {
            QCOMPARE(rows.descricao(i), QStringView(text(i)));
            QCOMPARE(rows.ndoc(i), QStringView(i % 3 == 0 ? QString::number(i) : QString()));
        }
    }

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
        w.close(); // no backup question (the fake fails on one) and no backup
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

LIVRO_TEST(tst_MainWindow)
#include "tst_MainWindow.moc"
