#include "Controls.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "core/SettingsStore.h"
#include "entries/frmCadCaixa.h"
#include "entries/frmCadConta.h"
#include "reports/frmRel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Accounts as another tool may have written them: accents, mixed case and an
// apostrophe, stored in no particular order.
struct MixedNames : TestBook
{
    MixedNames()
    {
        for (const QString& name :
             {u"ÔNIBUS"_s, u"banco"_s, u"ZEBRA"_s, u"D'ÁVILA"_s, u"Casa"_s, u"ÁGUA"_s, u"agenda"_s})
            addAccount(name);
        LoadSettings(db, session.Settings);
    }
    int accounts() { return scalar(u"select count(*) from contas"_s).toInt(); }
};

// As a Brazilian reader orders them: case and accents do not part names.
const QStringList kBrazilianOrder{u"agenda"_s,  u"ÁGUA"_s,   u"banco"_s, u"Casa"_s,
                                  u"D'ÁVILA"_s, u"ÔNIBUS"_s, u"ZEBRA"_s};

QStringList items(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->itemText(i));
    return texts;
}

void launch(frmCadConta& w, const QString& name)
{
    control<QLineEdit>(w, "txtConta")->setText(name);
    control<QPushButton>(w, "cmdLancar")->click();
}

} // namespace

class tst_AccountOrder : public QObject
{
    Q_OBJECT

private slots:
    // The entry form and the report window list the accounts in the book's
    // one order, and the entry form preselects its first name.
    void everyListIsInBrazilianOrder()
    {
        MixedNames book;
        QCOMPARE(AccountBook(book.db).namesInOrder().value(), kBrazilianOrder);

        frmCadCaixa form(book.session, 0);
        const auto* formList = control<QComboBox>(form, "cboConta");
        QCOMPARE(items(formList), kBrazilianOrder);
        QCOMPARE(formList->currentText(), u"agenda"_s);

        frmRel report(book.session);
        QCOMPARE(items(control<QComboBox>(report, "cboConta")),
                 QStringList{u"Todas"_s} + kBrazilianOrder);
    }

    // A name that differs only in capitals is the account that exists:
    // "casa" creates nothing beside "Casa", another account cannot be renamed
    // to it, while "Casa" itself may take the register's capitals.
    void capitalsDoNotMakeAnotherAccount()
    {
        MixedNames book;
        frmCadConta w(book.session);
        launch(w, u"casa"_s);
        QCOMPARE(book.accounts(), 7);

        auto* grid = control<QTableWidget>(w, "grade");
        const auto renameRow = [&](const QString& from, const QString& to) {
            const auto found = grid->findItems(from, Qt::MatchExactly);
            QVERIFY(found.size() == 1);
            grid->setCurrentCell(found.first()->row(), 1);
            emit grid->cellDoubleClicked(found.first()->row(), 1);
            launch(w, to);
        };
        renameRow(u"banco"_s, u"casa"_s);
        QVERIFY(w.isRenaming());
        QCOMPARE(book.scalar(u"select count(*) from contas where descricao = 'banco'"_s).toInt(),
                 1);

        control<QLineEdit>(w, "txtConta")->clear();
        renameRow(u"Casa"_s, u"casa"_s);
        QVERIFY(!w.isRenaming());
        QCOMPARE(AccountBook(book.db).idOf(u"CASA"_s).value(),
                 book.scalar(u"select id from contas where descricao = 'CASA'"_s).toLongLong());
        QCOMPARE(book.accounts(), 7);
    }
};

LIVRO_TEST(tst_AccountOrder)
#include "tst_AccountOrder.moc"
