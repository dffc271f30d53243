#include "ModalDriver.h"
#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/EntryStore.h"
#include "entries/frmCadConta.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The texts of a column of the register's grid, top to bottom.
QStringList gridColumn(frmCadConta& w, int column)
{
    auto* grid = control<QTableWidget>(w, "grade");
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts.append(grid->item(r, column)->text());
    return texts;
}

void typeAndLaunch(frmCadConta& w, const QString& text)
{
    control<QLineEdit>(w, "txtConta")->setText(text);
    control<QPushButton>(w, "cmdLancar")->click();
}

void pressDelete(frmCadConta& w, int row)
{
    auto* grid = control<QTableWidget>(w, "grade");
    grid->setCurrentCell(row, 1);
    QTest::keyClick(grid, Qt::Key_Delete);
}

// CASA (1), with two entries that leave it at 70,00, and AÇÃO D'ÁVILA (2), with none.
struct AccountsBook : TestBook
{
    AccountsBook()
    {
        addAccount(u"CASA"_s);
        addAccount(u"AÇÃO D'ÁVILA"_s);
        addEntry(u"2026-12-01"_s, u"08:00:00"_s, 1, u"x"_s, u"100,00"_s, u"0,00"_s);
        addEntry(u"2026-11-01"_s, u"08:00:00"_s, 1, u"x"_s, u"0,00"_s, u"30,00"_s);
    }
};

} // namespace

class tst_Accounts : public QObject
{
    Q_OBJECT

private slots:
    // Names are stored trimmed and upper-case, never twice: a blank or
    // existing name is ignored without a message.
    void namesAreStoredTrimmedAndUpperCase()
    {
        TestBook book;
        frmCadConta w(book.session);
        showActive(w);
        auto* box = control<QLineEdit>(w, "txtConta");
        box->setFocus();
        QTest::keyClicks(box, u"  banco central "_s);
        control<QTableWidget>(w, "grade")->setFocus();
        QCOMPARE(box->text(), u"BANCO CENTRAL"_s);
        typeAndLaunch(w, u"  casa  "_s);
        QCOMPARE(box->text(), QString());
        typeAndLaunch(w, u"casa"_s);
        QCOMPARE(box->text(), u"CASA"_s);
        typeAndLaunch(w, u"   "_s);
        typeAndLaunch(w, u"ação d'ávila"_s);
        QCOMPARE(book.strings(u"select id || ' ' || descricao || ' ' || saldo from contas"_s),
                 items("1 CASA 0|2 AÇÃO D'ÁVILA 0"));
        QVERIFY(book.dialogs.shown.isEmpty());
        // The grid shows each account's balance, read again when asked.
        book.addEntry(u"2026-12-01"_s, u"08:00:00"_s, 1, u"x"_s, u"100,00"_s, u"0,00"_s);
        book.addEntry(u"2026-11-01"_s, u"08:00:00"_s, 1, u"x"_s, u"0,00"_s, u"30,00"_s);
        w.FillAccountGrid();
        QCOMPARE(gridColumn(w, 2), items("70,00|0,00"));
        control<QPushButton>(w, "Command1")->click();
        QVERIFY(!w.isVisible());
    }

    // A double-click renames, keeping the id and so the entries; another
    // account's name is ignored and the rename goes on. The next name creates.
    void aDoubleClickRenames()
    {
        AccountsBook book;
        frmCadConta w(book.session);
        auto* grid = control<QTableWidget>(w, "grade");
        grid->setCurrentCell(0, 1);
        emit grid->cellDoubleClicked(0, 1);
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), u"CASA"_s);
        typeAndLaunch(w, u"ação d'ávila"_s);
        typeAndLaunch(w, u"banco"_s);
        QCOMPARE(gridColumn(w, 0), items("1|2"));
        QCOMPARE(gridColumn(w, 1), items("BANCO|AÇÃO D'ÁVILA"));
        typeAndLaunch(w, u"novo"_s);
        QCOMPARE(gridColumn(w, 1), items("BANCO|AÇÃO D'ÁVILA|NOVO"));
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // Delete is refused while entries use the account; an unused account is
    // deleted once the user says "Sim".
    void deleteAsksFirst()
    {
        AccountsBook book;
        frmCadConta w(book.session);
        pressDelete(w, 0);
        QCOMPARE(book.dialogs.messages(),
                 QStringList{u"Erro: Não é possível excluir esta conta pois existem registros "
                             "lançados que fazem referência a mesma!"_s});
        QCOMPARE(book.dialogs.last().icon, Dialogs::Icon::Critical);
        QCOMPARE(gridColumn(w, 1), items("CASA|AÇÃO D'ÁVILA"));
        book.dialogs.clear();
        book.dialogs.answers = {Dialogs::Answer::No, Dialogs::Answer::Yes};
        pressDelete(w, 1);
        QCOMPARE(book.dialogs.messages(),
                 QStringList{u"Excluir: Tem certeza que deseja excluir o registro?"_s});
        QCOMPARE(book.dialogs.last().buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(gridColumn(w, 1), items("CASA|AÇÃO D'ÁVILA"));
        pressDelete(w, 1);
        QCOMPARE(gridColumn(w, 1), items("CASA"));
        QCOMPARE(book.strings(u"select descricao from contas"_s), items("CASA"));
    }

    // A refused write is reported with its reason; the name stays.
    void refusedWritesAreReported()
    {
        AccountsBook book;
        frmCadConta w(book.session);
        book.exec(u"PRAGMA query_only = ON"_s);
        typeAndLaunch(w, u"caixa"_s);
        // Told in plain words; the database's own text is in the details.
        QVERIFY2(
            book.dialogs.last().text.endsWith(u"só permite leitura): a conta não foi criada."_s) &&
                book.dialogs.last().details.startsWith(u"attempt to write a readonly database"_s),
            qPrintable(book.dialogs.last().text));
        QCOMPARE(control<QLineEdit>(w, "txtConta")->text(), u"CAIXA"_s);
        book.dialogs.answers = {Dialogs::Answer::Yes};
        pressDelete(w, 1);
        QVERIFY2(book.dialogs.last().text.endsWith(u"a conta não foi excluída."_s) &&
                     book.dialogs.last().details.startsWith(u"attempt to write"_s),
                 qPrintable(book.dialogs.last().text));
        QCOMPARE(book.dialogs.shown.size(), 3);
    }

    // After any mix of saves, edits (moving entries between accounts) and
    // deletes, every account's stored balance equals the one computed from its
    // entries; UpdateAccountBalance rewrites it by name.
    void storedBalancesFollowEveryChange()
    {
        TestBook book;
        const QStringList names{u"CAIXA"_s, u"BANCO"_s, u"D'ÁVILA"_s};
        for (const QString& n : names)
            book.addAccount(n);
        EntryStore store(book.db);
        AccountBook accounts(book.db);
        QRandomGenerator random(7);
        QList<qint64> ids;
        for (int step = 0; step < 120; ++step) {
            EntryStore::Entry e;
            e.data = QDate(2026, 1, 1).addDays(random.bounded(300));
            e.hora = QTime(9, 0);
            e.account = names.at(random.bounded(3));
            e.descricao = u"x"_s;
            (random.bounded(2) ? e.entrada : e.saida) = *Money::fromCents(random.bounded(100000));
            const int action = ids.isEmpty() ? 0 : int(random.bounded(3)); // add, edit, delete
            if (action == 2) {
                QVERIFY(store.remove(ids.takeAt(random.bounded(int(ids.size())))).ok());
                continue;
            }
            const auto saved =
                store.save(action == 0 ? 0 : ids.at(random.bounded(int(ids.size()))), e);
            QVERIFY(saved.ok());
            if (action == 0)
                ids.append(*saved);
        }
        const auto stored = [&](qint64 id) {
            return book.scalar(u"select saldo from contas where id = ?"_s, {id}).toLongLong();
        };
        for (qint64 id = 1; id <= 3; ++id)
            QCOMPARE(stored(id), accounts.ConsultaSaldo(id)->units());

        book.exec(u"update contas set saldo = 1"_s);
        QVERIFY(accounts.UpdateAccountBalance(u"D'ÁVILA"_s));
        QCOMPARE(stored(3), accounts.ConsultaSaldo(3)->units());
        QCOMPARE(stored(1), qint64(1));
        QVERIFY(accounts.UpdateAccountBalance(u"NINGUÉM"_s));
        book.exec(u"PRAGMA query_only = ON"_s);
        QVERIFY(!accounts.UpdateAccountBalance(u"D'ÁVILA"_s));
    }
};

LIVRO_TEST(tst_Accounts)
#include "tst_Accounts.moc"
