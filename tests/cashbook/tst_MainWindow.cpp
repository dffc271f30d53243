#include "CashBook.h"
#include "TestMain.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    // The window opens on today with one day before it: the rows in date,
    // time and id order, their running balances from the entries before the
    // period, the panel, and one "saldos" row per day however often it refreshes.
    void opensOnTheLastTwoDays()
    {
        CashBook book;
        frmPrincipal w(book.session);
        QCOMPARE(control<QLineEdit>(w, "txtDia")->text() + control<QLineEdit>(w, "txtDias")->text(),
                 u"05/12/20261"_s);
        QCOMPARE(control<QLabel>(w, "lblDataHora")->text(),
                 u"CAIXA ATIVO : 04/12/2026 até 05/12/2026"_s);
        QCOMPARE(column(w, EntryGridModel::Descricao),
                 u"Venda|Luz|Compra|Venda cartão|Conta apagada|Sem valor"_s);
        QCOMPARE(column(w, EntryGridModel::Saldo), u"900,00|870,00|850,00|900,00|910,00|910,00"_s);
        QCOMPARE(column(w, EntryGridModel::Conta), u"CAIXA|BANCO D'ÁVILA|CAIXA|CAIXA|-|CAIXA"_s);
        QCOMPARE(row(w, 3), u"50|05/12/2026|10:00|CAIXA|NF 1|Venda cartão|50,00|0,00|900,00"_s);
        // No amounts: empty in, "0,00" out. Seconds are not shown.
        QCOMPARE(row(w, 5), QString::number(book.last) +
                                u"|05/12/2026|12:00|CAIXA|NF 9|Sem valor||0,00|910,00"_s);
        // Received rows on blue, the others on red.
        const auto colour = [&](int r, int role) {
            return w.gridModel()->index(r, 5).data(role).value<QColor>();
        };
        QCOMPARE(std::pair(colour(0, Qt::BackgroundRole), colour(1, Qt::BackgroundRole)),
                 std::pair(QColor(Qt::blue), QColor(Qt::red)));
        QCOMPARE(panel(w), u"70,00|40,00|160,00|50,00"_s);

        book.addEntry(u"2026-12-05"_s, u"13:00:00"_s, book.caixa, u"Mais"_s, u"0,00"_s, u"60,00"_s);
        w.Activate();
        w.Activate();
        QCOMPARE(
            book.scalar(
                    u"select group_concat(data || '=' || saldo, ' ') from (select * from saldos order by data)"_s)
                .toString(),
            u"2026-12-04=700000 2026-12-05=-200000"_s);

        // The reports' opening balance: of one account, before their first day.
        book.session.ReportAccountId = book.caixa;
        book.session.ReportStartDate = QDate(2026, 12, 5);
        w.Fechar_Inicio();
        QCOMPARE(book.session.OpeningBalance.format(), u"1.100,00"_s);

        // New colours reach the grid and the legend through the refresh timer.
        book.session.Settings.corfundoentrada = u"65280"_s;
        book.session.Settings.corletrasaida = u"0"_s;
        w.requestRefresh();
        QTRY_COMPARE(colour(0, Qt::BackgroundRole), QColor(0, 255, 0));
        QCOMPARE(colour(1, Qt::ForegroundRole), QColor(0, 0, 0));
        QCOMPARE(std::pair(control<QLabel>(w, "lblEntrada")->palette().color(QPalette::Window),
                           control<QLabel>(w, "lblSaida")->palette().color(QPalette::WindowText)),
                 std::pair(QColor(0, 255, 0), QColor(0, 0, 0)));

        control<QAction>(w, "mnuAtualizacoes")->trigger();
        QVERIFY(book.dialogs.openedUrls.size() == 1 &&
                book.dialogs.openedUrls.first().scheme() == u"https");
    }

    // A day that is not a date or is after today is refused with a message,
    // the day selected and the period unchanged. The days box takes two
    // digits and nothing else, and 0 becomes 1 on leaving it. Alt+A presses
    // "&Ativar", not "&Atualizações". The window keeps its minimum size; the
    // grid takes what it gives and the panel stays whole.
    void activatingAPeriod()
    {
        CashBook book;
        frmPrincipal w(book.session);
        QAbstractItemModelTester tester(w.gridModel(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* txtDia = control<QLineEdit>(w, "txtDia");
        auto* txtDias = control<QLineEdit>(w, "txtDias");
        const QString invalid = u"Informe uma data válida antes de continuar!"_s;
        const QList<std::tuple<QString, QString, QString>> refused{
            {QString(), u"Erro"_s, invalid},
            {u"31/02/2026"_s, u"Erro"_s, invalid},
            {u"06/12/2026"_s, u"Data inválida"_s,
             u"Impossível ativar o caixa para uma data superior a atual!"_s}};
        for (const auto& [typed, title, text] : refused) {
            txtDias->setFocus();
            txtDia->setText(typed);
            control<QPushButton>(w, "btnAtivar")->click();
            const auto& shown = book.dialogs.last();
            QCOMPARE(std::tuple(shown.title, shown.text, shown.icon),
                     std::tuple(title, text, Dialogs::Icon::Critical));
            QVERIFY(txtDia->hasFocus() && txtDia->selectedText() == txtDia->displayText());
        }
        QCOMPARE(book.dialogs.shown.size(), 3);
        QCOMPARE(std::pair(w.PeriodStart(), w.PeriodEnd()),
                 std::pair(QDate(2026, 12, 4), QDate(2026, 12, 5)));

        txtDias->setFocus();
        txtDias->clear();
        QTest::keyClicks(txtDias, u"a-9,x95"_s);
        QCOMPARE(txtDias->text(), u"99"_s);
        txtDias->setText(u"0"_s);
        txtDia->setFocus();
        QCOMPARE(txtDias->text(), u"1"_s);
        txtDias->setText(u"2"_s);
        txtDia->setText(u"02/12/2026"_s);
        QTest::keyClick(txtDia, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(w.PeriodEnd(), QDate(2026, 12, 2));
        QVERIFY(book.dialogs.openedUrls.isEmpty());
        QCOMPARE(control<QLabel>(w, "lblDataHora")->text(),
                 u"CAIXA ATIVO : 30/11/2026 até 02/12/2026"_s);
        // Nothing before the period: the balances start at zero. No account at all: an empty cell.
        QCOMPARE(column(w, EntryGridModel::Saldo), u"1.000,00|800,00|800,00"_s);
        QCOMPARE(column(w, EntryGridModel::Conta), u"CAIXA|BANCO D'ÁVILA|"_s);
        QCOMPARE(panel(w), u"1.000,00|-200,00|1.000,00|200,00"_s);

        // A period without entries still refreshes the panel.
        txtDia->setText(u"01/01/2025"_s);
        control<QPushButton>(w, "btnAtivar")->click();
        QCOMPARE(panel(w), u"0,00|0,00|0,00|0,00"_s);

        w.resize(400, 300);
        QTest::qWait(20);
        QVERIFY(w.width() >= 972 && w.height() >= 716);
        w.resize(1400, 1000);
        QTRY_VERIFY(control<QTableView>(w, "grade")->height() > 600);
        QCOMPARE(control<QWidget>(w, "fr2")->size(), QSize(463, 84));
    }

    // Books the window copes with: an older one without "ndoc" (the column is
    // added), one that refuses writes (reported once, still shown), one that
    // could not be opened (nothing shown), and running balances too large for
    // the money type (refused, never wrapped).
    void unusualBooks_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("message");
        const char* shown = "70,00|40,00|160,00|50,00";
        const char* huge = "insert into caixa (idconta, data, hora, descricao, entrada, saida) "
                           "values (1, '2026-12-05', '13:00:00', 'x', 9223372036854775797, 0)";
        QTest::newRow("without ndoc") << "alter table caixa drop column ndoc"
                                      << "|||||" << shown << "";
        QTest::newRow("read-only") << "PRAGMA query_only = ON"
                                   << "|||NF 1||NF 9" << shown
                                   << "Não foi possível gravar o saldo do dia no livro de "
                                      "caixa:\nattempt to write a readonly database";
        QTest::newRow("not open") << ""
                                  << ""
                                  << "0,00|0,00|0,00|0,00"
                                  << "";
        QTest::newRow("overflow") << QString::fromUtf8(huge) + u';' + QString::fromUtf8(huge) << ""
                                  << "70,00|0,00|0,00|0,00"
                                  << "Os valores deste período somam um valor grande demais";
    }
    void unusualBooks()
    {
        QFETCH(QString, setup);
        QFETCH(QString, documents);
        QFETCH(QString, panel);
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
        QCOMPARE(book.dialogs.texts().join(u'|').left(message.size()), message);
    }
};

LIVRO_TEST(tst_MainWindow)
#include "tst_MainWindow.moc"
