#include "CashBook.h"
#include "TestMain.h"

#include <QImage>
#include <QTableView>
#include <QTest>
#include <QToolButton>

// The selected row of the main grid: the last one after a refresh, plainly
// marked yet still in its received or paid-out colours, and the delete
// question names its entry.
class tst_SelectedRow : public QObject
{
    Q_OBJECT

private slots:
    void theSelectedRowShowsWhatItIs()
    {
        CashBook book;
        frmPrincipal w(book.session);
        showActive(w);
        auto* grid = control<QTableView>(w, "grade");
        const int last = w.gridModel()->rowCount() - 1;
        QVERIFY(grid->selectionModel()->isRowSelected(last, {}));

        // Row 1 is "Luz", paid out: red, white text.
        grid->selectRow(1);
        const QRect cell = grid->visualRect(w.gridModel()->index(1, EntryGridModel::Descricao));
        const QImage shot = grid->viewport()->grab().toImage();
        const QColor inside = shot.pixelColor(cell.right() - 8, cell.center().y());
        QVERIFY2(inside.red() > 200 && inside.blue() < inside.red() &&
                     inside.green() < inside.red(),
                 qPrintable(inside.name()));
        QCOMPARE(shot.pixelColor(cell.center().x(), cell.top()), QColor(Qt::black));

        book.dialogs.answers = {Dialogs::Answer::No};
        control<QToolButton>(w, "btnExcluir")->click();
        const FakeDialogs::Shown& asked = book.dialogs.last();
        QCOMPARE(asked.text, u"Tem certeza que deseja excluir o registro?"_s);
        QCOMPARE(asked.whatGoes,
                 u"Data: 04/12/2026 09:00\nConta: BANCO D'ÁVILA\nDescrição: Luz\nSaída: 30,00"_s);
        QCOMPARE(asked.defaultAnswer, Dialogs::Answer::No);
        QCOMPARE(w.gridModel()->rowCount(), last + 1);
    }
};

LIVRO_TEST(tst_SelectedRow)
#include "tst_SelectedRow.moc"
