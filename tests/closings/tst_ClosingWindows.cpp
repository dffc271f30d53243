#include "ClosingBook.h"
#include "ModalDriver.h"
#include "TestMain.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "closings/frmFecharDia.h"
#include "closings/frmReabrirDia.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "reports/frmHistorico.h"
#include "reports/frmRel.h"
#include "widgets/QtDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate kDay3(2026, 12, 3);

QStringList columnOf(const QTableWidget* grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row)
        texts.append(grid->item(row, column)->text());
    return texts;
}

} // namespace

// The windows of closing and reopening a day and of the change log, driven
// as a user does.
class tst_ClosingWindows : public QObject
{
    Q_OBJECT

private slots:
    // The window shows what the book says at the end of the day, in all and
    // per account, and the difference the counted cash makes; it wants a
    // count and a Yes. When another desk saved an entry of the day meanwhile,
    // the closing is refused with the new figure, which the window then
    // shows, and nothing is entered as a difference nobody saw. Closed then,
    // the difference goes into the chosen account.
    void closingADay()
    {
        ClosingBook book;
        frmFecharDia w(book.session, kDay3);
        QCOMPARE(control<QLineEdit>(w, "txtDia")->text(), u"03/12/2026"_s);
        QCOMPARE(control<QLabel>(w, "lblCalculado")->text(), u"70,00"_s);
        QCOMPARE(columnOf(control<QTableWidget>(w, "gradeContas"), 1), items("0,00|70,00"));
        auto* btnFechar = control<QPushButton>(w, "btnFechar");
        btnFechar->click();
        QCOMPARE(book.dialogs.last().text, u"Informe o dinheiro contado no caixa."_s);
        QTest::keyClicks(control<QLineEdit>(w, "txtContado"), u"65,50"_s);
        QCOMPARE(control<QLabel>(w, "lblDiferenca")->text(), u"-4,50 (Quebra de caixa)"_s);
        // The account that holds the cash is offered first.
        QCOMPARE(control<QComboBox>(w, "cboConta")->currentText(), u"CAIXA"_s);
        book.dialogs.answers = {Dialogs::Answer::No};
        btnFechar->click();
        VERIFY_CONTAINS(book.dialogs.last().text,
                        u"4,50 será lançada como \"Quebra de caixa\" na conta CAIXA"_s);

        DbConnection other;
        QVERIFY(book.openOtherDesk(other).ok());
        QVERIFY(EntryStore(other).save(0, ClosingBook::entryOn(kDay3, u"Outra estação"_s)));
        book.dialogs.answers = {Dialogs::Answer::Yes};
        btnFechar->click();
        VERIFY_CONTAINS(book.dialogs.last().text, u"agora é 75,00"_s);
        QCOMPARE(control<QLabel>(w, "lblCalculado")->text(), u"75,00"_s);
        QCOMPARE(control<QLabel>(w, "lblDiferenca")->text(), u"-9,50 (Quebra de caixa)"_s);
        QCOMPARE(book.count(u"closings"_s), 0);

        book.dialogs.answers = {Dialogs::Answer::Yes};
        btnFechar->click();
        QVERIFY(w.closing());
        QCOMPARE(book.strings(u"select descricao || '|' || idconta || '|' || saida from caixa "
                              "where id = ?"_s,
                              {*w.closing()->entryId}),
                 QStringList{u"Quebra de caixa|1|95000"_s});
    }

    // Reopening asks for the reason and lists the days it will reopen: the
    // day chosen and every later closed one, never an earlier one. Every
    // closing stays, with who reopened it and why, and a reopened day can be
    // closed again. A restricted user is turned away before the window
    // opens, and by the book itself, which also wants a reason.
    void reopeningADay()
    {
        ClosingBook book;
        book.close(QDate(2026, 12, 1), "100,00");
        book.close(kDay3, "70,00");
        book.close(QDate(2026, 12, 5), "80,00");
        book.session.CurrentUser = {u"ana"_s, u"r"_s};
        QVERIFY(!book.shell.reopenDay(nullptr));
        QCOMPARE(book.dialogs.last().text,
                 u"Somente um usuário de nível comum pode reabrir um dia."_s);
        QVERIFY(!Closings(book.db).reopen(kDay3, u"conta errada"_s));
        book.session.CurrentUser = {u"maria"_s, u"c"_s};
        QVERIFY(!Closings(book.db).reopen(kDay3, u"   "_s));

        frmReabrirDia w(book.session);
        auto* dia = control<QLineEdit>(w, "txtDia");
        QCOMPARE(dia->text(), u"05/12/2026"_s);
        dia->setText(u"03/12/2026"_s);
        emit dia->editingFinished();
        QCOMPARE(control<QLabel>(w, "lblAfetados")->text(),
                 u"Serão reabertos: 03/12/2026, 05/12/2026"_s);
        control<QPushButton>(w, "btnReabrir")->click();
        QCOMPARE(book.dialogs.last().text, u"Informe o motivo da reabertura."_s);
        QTest::keyClicks(control<QLineEdit>(w, "txtMotivo"), u"conta errada"_s);
        control<QPushButton>(w, "btnReabrir")->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(
            book.strings(u"select data || '|' || coalesce(reopened_by, '') || '|' || "
                         "coalesce(reopen_reason, '') from closings order by data"_s),
            items("2026-12-01||;2026-12-03|maria|conta errada;2026-12-05|maria|conta errada", ';'));
        QVERIFY(EntryStore(book.db).save(0, ClosingBook::entryOn(kDay3, u"Corrigida"_s)));
        book.close(kDay3, "75,00");
        QCOMPARE(book.count(u"closings"_s), 4);
    }

    // The log's grid lists the newest first and follows the kind chosen;
    // it exports what it shows.
    void historyWindow()
    {
        ClosingBook book;
        QVERIFY(EntryStore(book.db).remove(3).ok());
        book.close(kDay3, "70,00");
        frmHistorico w(book.session);
        auto* grade = control<QTableWidget>(w, "grade");
        QCOMPARE(columnOf(grade, 3), QStringList({u"Fechamento do dia"_s, u"Exclusão"_s}));
        QCOMPARE(columnOf(grade, 1), QStringList({u"sem login"_s, u"sem login"_s}));
        control<QComboBox>(w, "cboTipo")->setCurrentText(u"Exclusão"_s);
        control<QPushButton>(w, "btnMostrar")->click();
        QCOMPARE(columnOf(grade, 4), QStringList{u"Lançamento 3"_s});

        for (const QString& suffix : {u"pdf"_s, u"xlsx"_s}) {
            const QString file = book.dir() + u"/historico."_s + suffix;
            book.dialogs.fileNames = {file};
            control<QPushButton>(w, suffix == u"pdf" ? "btnPDF" : "btnXLSX")->click();
            QVERIFY2(QFileInfo(file).size() > 0, qPrintable(file));
        }
    }

    // With ckFechamentos the report window exports the closings of the
    // period, reopened ones with who reopened them and why, instead of the
    // cash book.
    void reportOfClosings()
    {
        ClosingBook book;
        LoadSettings(book.db, book.session.Settings);
        book.close(QDate(2026, 12, 1), "100,00");
        book.close(kDay3, "69,00");
        QVERIFY(Closings(book.db).reopen(kDay3, u"contagem refeita"_s));
        frmRel w(book.session);
        control<QLineEdit>(w, "txtDe")->setText(u"01/12/2026"_s);
        control<QLineEdit>(w, "txtAte")->setText(u"05/12/2026"_s);
        control<QCheckBox>(w, "ckFechamentos")->setChecked(true);
        const QString pdf = book.dir() + u"/fechamentos.pdf"_s;
        book.dialogs.fileNames = {pdf, book.dir() + u"/fechamentos.xlsx"_s};
        // The preview the window starts with is over first.
        QTRY_VERIFY(control<QPushButton>(w, "btnPDF")->isEnabled());
        control<QPushButton>(w, "btnPDF")->click();
        control<QPushButton>(w, "btnXLS")->click();
        QVERIFY(QFileInfo(book.dir() + u"/fechamentos.xlsx"_s).size() > 0);
        QProcess text;
        text.start(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(text.waitForFinished(20000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString& expected : {u"Fechamentos de caixa"_s, u"01/12/2026"_s, u"03/12/2026"_s,
                                        u"-1,00"_s, u"Reaberto por sem login"_s})
            QVERIFY2(printed.contains(expected), qPrintable(expected + u'\n' + printed));
    }

    // A restricted user finds in "&Caixa" the search and the closing, under
    // their exact names, and not the reopening nor the log; the closing
    // window gives only the active day and the figure of all accounts.
    void restrictedUser()
    {
        ClosingBook book;
        LoadSettings(book.db, book.session.Settings);
        book.session.CurrentUser = {u"ana"_s, u"r"_s};
        frmPrincipal main(book.session);
        QStringList texts;
        for (QAction* a : control<QMenu>(main, "mnuCaixa")->actions()) {
            if (!a->isSeparator() && a->isVisible())
                texts.append(a->text());
        }
        QCOMPARE(texts, QStringList({u"Localizar lançamentos…"_s, u"Fechar o dia…"_s}));
        frmFecharDia w(book.session, kDay3);
        QVERIFY(control<QLineEdit>(w, "txtDia")->isReadOnly());
        QVERIFY(control<QTableWidget>(w, "gradeContas")->isHidden());
    }

    // Once closed, the day's rows are marked in the grid; the others not.
    // With the keyboard alone and the real message boxes: Delete on such a
    // row shows the refusal (nothing asked first); once it is closed with
    // Enter, the grid has the keyboard again and Insert opens the new-entry
    // form, as often as wanted.
    void closedDaysInTheGrid()
    {
        ClosingBook book;
        book.close(kDay3, "70,00");
        QtDialogs boxes;
        Session session(book.db, boxes, book.clock, book.dir());
        LoadSettings(book.db, session.Settings);
        Shell shell(session);
        frmPrincipal main(session);
        showActive(main);
        control<QLineEdit>(main, "txtDia")->setText(u"05/12/2026"_s);
        control<QLineEdit>(main, "txtDias")->setText(u"5"_s);
        control<QPushButton>(main, "btnAtivar")->click();
        const EntryGridModel* model = main.gridModel();
        QCOMPARE(std::tuple(model->isClosedDay(0), model->isClosedDay(1), model->isClosedDay(2)),
                 std::tuple(true, true, false));
        QVERIFY(model->index(1, EntryGridModel::Data).data(Qt::FontRole).value<QFont>().italic());
        QVERIFY(model->index(1, EntryGridModel::Id).data(Qt::DecorationRole).isValid());
        QVERIFY(!model->index(2, EntryGridModel::Id).data(Qt::DecorationRole).isValid());

        auto* grid = control<QTableView>(main, "grade");
        grid->setFocus();
        grid->setCurrentIndex(model->index(1, 0));
        auto refusal = std::make_shared<QString>();
        whenModal<QMessageBox>([refusal](QMessageBox* box) {
            *refusal = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(grid, Qt::Key_Delete);
        VERIFY_CONTAINS(*refusal, u"lance um estorno em um dia aberto"_s);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), grid, 2000);
        for (int time = 1; time <= 2; ++time) {
            auto form = std::make_shared<QString>();
            whenModal<frmCadCaixa>([form](frmCadCaixa* window) {
                *form = window->windowTitle();
                QTest::keyClick(window, Qt::Key_Escape);
            });
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Insert);
            QCOMPARE(*form, u"Registros"_s);
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), grid, 2000);
        }
        QCOMPARE(book.count(u"caixa"_s), 3);
    }
};

LIVRO_TEST(tst_ClosingWindows)
#include "tst_ClosingWindows.moc"
