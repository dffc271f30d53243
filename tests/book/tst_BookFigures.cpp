// What the cash-book layer reads back from a book, on both engines: sums
// exact to the last ten-thousandth whatever their size, the version stamp
// and the kept totals, the settings and the users.

#include "TestBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/Balances.h"
#include "book/ReportRows.h"
#include "book/UserStore.h"
#include "core/DayTotals.h"
#include "core/SchemaVersion.h"
#include "core/SettingsStore.h"

#include <QTest>

class tst_BookFigures : public QObject
{
    Q_OBJECT

private slots:
    // A double holds integers exactly only up to 2^53: sums past it must not
    // be read through one (a server returns sums as numeric).
    void sumsPastADoublesPrecisionStayExact()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        const qint64 big = (qint64(1) << 53) + 1;
        for (const char* day : {"2026-12-01", "2026-12-02"})
            book.exec(QStringLiteral("insert into caixa (idconta, data, hora, descricao, entrada, "
                                     "saida) values (?, ?, '10:00:00', 'x', ?, 0)"),
                      {account, QString::fromLatin1(day), big});
        const auto sums = Balances::ofPeriod(book.db, QDate(2026, 12, 1), QDate(2026, 12, 31));
        QVERIFY2(sums.ok(), qPrintable(sums.reason()));
        QCOMPARE(sums->in.toDb(), 2 * big);
        const auto opening = Balances::openingBalance(book.db, QDate(2026, 12, 2), account);
        QVERIFY(opening.ok());
        QCOMPARE(opening->toDb(), big);
        const auto balance = AccountBook(book.db).ConsultaSaldo(account);
        QVERIFY(balance.ok());
        QCOMPARE(balance->toDb(), 2 * big);
    }

    void aSumTooLargeIsRefusedNotWrapped()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        const qint64 huge = std::numeric_limits<qint64>::max() - 10;
        for (const char* day : {"2026-12-01", "2026-12-02"})
            book.exec(QStringLiteral("insert into caixa (idconta, data, hora, descricao, entrada, "
                                     "saida) values (?, ?, '10:00:00', 'x', ?, 0)"),
                      {account, QString::fromLatin1(day), huge});
        const auto balance = AccountBook(book.db).ConsultaSaldo(account);
        QVERIFY(!balance.ok());
    }

    void aNewBookIsAtTheCurrentVersion()
    {
        TestBook book;
        const auto version = SchemaVersion::of(book.db.database());
        QVERIFY(version.ok());
        QCOMPARE(*version, SchemaVersion::current());
    }

    void totalsThatWereNotKeptAreRebuiltAtOpen()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:00:00"), account,
                      QStringLiteral("a"), QStringLiteral("10,00"), std::nullopt);
        book.exec(QStringLiteral("delete from day_totals"));
        QVERIFY(DayTotals::ensureKept(book.db.database()).ok());
        const auto differences = DayTotals::differences(book.db.database());
        QVERIFY(differences.ok());
        QCOMPARE(differences->size(), 0);
        QCOMPARE(book.scalar(QStringLiteral("select entrada from day_totals")).toLongLong(),
                 100'000);
    }

    void reportRowsComeInDateTimeAndIdOrder()
    {
        TestBook book;
        const qint64 account = book.addAccount(QStringLiteral("CAIXA"));
        book.addEntry(QStringLiteral("2026-12-02"), QStringLiteral("08:00:00"), account,
                      QStringLiteral("third"), QStringLiteral("1,00"), std::nullopt);
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:00:00"), account,
                      QStringLiteral("second"), QStringLiteral("1,00"), std::nullopt);
        book.addEntry(QStringLiteral("2026-12-01"), QStringLiteral("07:00:00"), account,
                      QStringLiteral("first"), std::nullopt, QStringLiteral("2,50"));
        const auto input = ReportInput::read(book.db, {QDate(2026, 12, 1), QDate(2026, 12, 2), 0});
        QVERIFY2(input.ok(), qPrintable(input.reason()));
        QStringList order;
        for (const CashBookEntry& e : input->rows.entries)
            order.append(e.descricao);
        QCOMPARE(order, items("first|second|third"));
        QCOMPARE(input->rows.entries.constFirst().saida->toDb(), 25'000);
        QCOMPARE(input->rows.days.value(QDate(2026, 12, 1)).value_or(Money()).toDb(), -15'000);
    }

    void settingsAreSharedThroughTheBook()
    {
        TestBook book;
        SettingsChoice choice;
        choice.susuario = true;
        choice.qtdarquivosbkp = 9;
        choice.corfundoentrada = QStringLiteral("123");
        QVERIFY(SettingsStore::save(book.db, choice).ok());
        SettingsValues read;
        LoadSettings(book.db, read);
        QVERIFY(read.susuario);
        QCOMPARE(read.qtdarquivosbkp, 9);
        QCOMPARE(read.corfundoentrada, QStringLiteral("123"));
    }

    void aUserLogsInWithThePasswordSaved()
    {
        TestBook book;
        UserStore users(book.db);
        UserStore::NewUser user;
        user.nome = QStringLiteral("MARIA");
        user.usuario = QStringLiteral("MARIA");
        user.senha = UserStore::normalizedPassword(QStringLiteral("segredo"));
        user.resposta = UserStore::normalizedAnswer(QStringLiteral("azul"));
        const Status saved = users.save(user);
        QVERIFY2(saved.ok(), qPrintable(saved.reason()));
        const auto in = users.logIn(QStringLiteral("MARIA"), QStringLiteral("segredo"));
        QVERIFY2(in.ok(), qPrintable(in.reason()));
        QVERIFY(in->has_value());
        const auto refused = users.logIn(QStringLiteral("MARIA"), QStringLiteral("errada"));
        QVERIFY(refused.ok());
        QVERIFY(!refused->has_value());
    }
};

LIVRO_TEST(tst_BookFigures)
#include "tst_BookFigures.moc"
