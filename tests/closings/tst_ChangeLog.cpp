#include "ClosingBook.h"
#include "TestMain.h"
#include "book/AccountBook.h"
#include "book/ChangeHistory.h"
#include "book/UserStore.h"
#include "core/SettingsStore.h"
#include "core/Sql.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kRow = u"select kind || '|' || table_name || '|' || row_key || '|' || user_name "
                     "from change_log order by id"_s;

UserStore::NewUser userNamed(const QString& login, const QString& password)
{
    return {u"Maria Silva"_s,   login,       password,         u"maria@loja.com.br"_s,
            u"Cidade natal?"_s, u"santos"_s, u"a de sempre"_s, false};
}

} // namespace

// What the change log keeps of every change, and that a change and its
// record are one.
class tst_ChangeLog : public QObject
{
    Q_OBJECT

private slots:
    // A new entry, its edit and its delete each leave one record, signed
    // by whoever is logged in; the edit's record holds the values before
    // and after. Accounts, users and settings are recorded too.
    void everyChangeIsRecorded()
    {
        ClosingBook book;
        book.session.CurrentUser = {u"maria"_s, u"c"_s};
        EntryStore store(book.db);
        const QDateTime from = book.bookNow();
        const qint64 id = store.save(0, ClosingBook::entryOn(QDate(2026, 12, 5), u"Luz"_s)).value();
        const auto loaded = store.load(id).value();
        QVERIFY(store.saveEdit(loaded, {loaded.data, loaded.hora, loaded.account, loaded.ndoc,
                                        u"Água"_s, *loaded.entrada, *loaded.saida}));
        QVERIFY(store.remove(id).ok());
        const QDateTime to = book.bookNow();
        const QString key = QString::number(id);
        QCOMPARE(book.strings(kRow), QStringList({u"insert|caixa|"_s + key + u"|maria"_s,
                                                  u"update|caixa|"_s + key + u"|maria"_s,
                                                  u"delete|caixa|"_s + key + u"|maria"_s}));
        for (const QString& at : book.strings(u"select changed_at from change_log"_s))
            QVERIFY2(ClosingBook::within(at, from, to), qPrintable(at));
        const QStringList before =
            book.strings(u"select coalesce(before_values, 'NULL') from change_log order by id"_s);
        QCOMPARE(before.at(0), u"NULL"_s);
        QCOMPARE(before.at(1), u"Data: 05/12/2026; Hora: 12:00:00; Conta: CAIXA; N. Doc.: ; "
                               "Descrição: Luz; Entrada: 5,00; Saída: 0,00"_s);
        QString after =
            book.scalar(u"select after_values from change_log where kind = 'update'"_s).toString();
        VERIFY_CONTAINS(after, u"Descrição: Água"_s);
        QVERIFY2(!after.contains(u"Luz"_s), qPrintable(after));

        // Accounts, users and settings are recorded too; no password, answer
        // or hint appears in clear, only that it changed.
        QVERIFY(AccountBook(book.db).rename(2, u"cofre"_s));
        QCOMPARE(book.scalar(u"select before_values || ' > ' || after_values from change_log "
                             "where table_name = 'contas'"_s)
                     .toString(),
                 u"Conta: BANCO > Conta: COFRE"_s);
        UserStore users(book.db);
        QVERIFY(users.save(userNamed(u"maria"_s, u"segredo1"_s)).ok());
        QVERIFY(users.save(userNamed(u"maria"_s, u"outra2"_s)).ok());
        after = book.scalar(u"select after_values from change_log where "
                            "table_name = 'usuarios' and kind = 'update'"_s)
                    .toString();
        VERIFY_CONTAINS(after, u"senha alterada"_s);
        const QString everything =
            book.strings(u"select coalesce(before_values, '') || coalesce(after_values, '') "
                         "from change_log"_s)
                .join(u' ');
        for (const QString& secret : {u"segredo1"_s, u"outra2"_s, u"santos"_s, u"a de sempre"_s})
            QVERIFY2(!everything.contains(secret), qPrintable(secret));

        SettingsChoice choice;
        choice.susuario = true;
        choice.moeda = u"R$"_s;
        choice.qtdarquivosbkp = 5;
        QVERIFY(SettingsStore::save(book.db, choice).ok());
        QCOMPARE(
            book.scalar(u"select count(*) from change_log where table_name = 'opcoes'"_s).toInt(),
            1);
    }

    // A write that fails takes its record with it, and a record that
    // cannot be written takes the change with it.
    void changeAndRecordAreOne()
    {
        ClosingBook book;
        book.refuseInserts(u"change_log"_s);
        QVERIFY(!EntryStore(book.db).save(0, ClosingBook::entryOn(QDate(2026, 12, 5), u"X"_s)));
        QVERIFY(!EntryStore(book.db).remove(1).ok());
        QVERIFY(!AccountBook(book.db).create(u"cofre"_s));
        QCOMPARE(book.count(u"caixa"_s), 3);
        QCOMPARE(book.count(u"contas"_s), 2);
        book.allowInserts(u"change_log"_s);

        book.refuseInserts(u"caixa"_s);
        QVERIFY(!EntryStore(book.db).save(0, ClosingBook::entryOn(QDate(2026, 12, 5), u"X"_s)));
        QVERIFY(!Closings(book.db).close(
            {QDate(2026, 12, 3), ClosingBook::reais("60,00"), u"CAIXA"_s}));
        QCOMPARE(book.count(u"change_log"_s), 0);
        QCOMPARE(book.count(u"closings"_s), 0);
    }

    // The history reads newest first and filters by period, person and
    // kind; the people are those who made changes.
    void historyFilters()
    {
        ClosingBook book;
        // Records of several days: a server dates each by its own clock, so
        // they are written as they would have been on those days.
        const auto logged = [&book](const char* at, const char* who, const char* kind) {
            book.exec(
                u"insert into change_log (changed_at, user_name, computer, kind, "
                "table_name, row_key) values (?, ?, 'balcão', ?, 'caixa', '1')"_s,
                {QString::fromLatin1(at), QString::fromLatin1(who), QString::fromLatin1(kind)});
        };
        logged("2026-12-03 09:00:00", "sem login", "insert");
        logged("2026-12-04 09:00:00", "maria", "insert");
        logged("2026-12-04 09:00:00", "maria", "delete");
        logged("2026-12-05 09:00:00", "maria", "closing");

        const ChangeHistory history(book.db);
        const auto keys = [&](const ChangeHistory::Filter& f) {
            QStringList k;
            const auto records = history.read(f, std::nullopt, 100).value();
            for (const auto& r : records)
                k.append(r.kind + u' ' + r.person);
            return k;
        };
        const QDate first(2026, 12, 1), last(2026, 12, 31);
        QCOMPARE(keys({first, last, {}, {}}),
                 QStringList({u"Fechamento do dia maria"_s, u"Exclusão maria"_s,
                              u"Inclusão maria"_s, u"Inclusão sem login"_s}));
        QCOMPARE(keys({QDate(2026, 12, 4), QDate(2026, 12, 4), {}, {}}),
                 QStringList({u"Exclusão maria"_s, u"Inclusão maria"_s}));
        QCOMPARE(keys({first, last, u"sem login"_s, {}}), QStringList{u"Inclusão sem login"_s});
        QCOMPARE(*history.people(), QStringList({u"maria"_s, u"sem login"_s}));
        // Read a page at a time, the records follow on without a gap.
        const auto page = history.read({first, last, {}, {}}, std::nullopt, 2).value();
        const auto rest = history.read({first, last, {}, {}}, page.last(), 10).value();
        QCOMPARE(rest.size(), 2);
        QCOMPARE(rest.first().kind, u"Inclusão"_s);
    }
};

LIVRO_TEST(tst_ChangeLog)
#include "tst_ChangeLog.moc"
