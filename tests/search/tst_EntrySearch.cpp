#include "SearchBook.h"
#include "TestMain.h"

#include "core/Sql.h"

class tst_EntrySearch : public QObject
{
    Q_OBJECT

private slots:
    // Typed text becomes the words the index holds: lower case, no
    // accents, split at anything that is not a letter or a digit.
    void typedWords_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words");
        QTest::newRow("punctuation and spaces split")
            << u" d'Ávila-SP/nf.12  "_s << u"d avila sp nf 12"_s;
        QTest::newRow("nothing to look for") << u" - / ."_s << QString();
        // Decomposed accents, as some keyboards and pastes give them.
        QTest::newRow("decomposed") << u"A\u0301GUA"_s << u"agua"_s;
    }
    void typedWords()
    {
        QFETCH(QString, typed);
        QFETCH(QString, words);
        QCOMPARE(EntrySearch::words(typed).join(u' '), words);
    }

    // Words match the beginning of words of the description, the document or
    // the account's name, in any order, whatever the case and the accents;
    // every word must match. Results come newest first, the one entered last
    // but dated first at the end.
    void wordsWhateverTheCaseAndAccents()
    {
        SearchBook book;
        QCOMPARE(book.found(u"agua"_s), u"ÁGUA MINERAL|Nota fiscal da água|Luz e água"_s);
        QCOMPARE(book.found(u"ÁGUA"_s), book.found(u"agua"_s));
        QCOMPARE(book.found(u"mineral agua"_s), u"ÁGUA MINERAL"_s);
        QCOMPARE(book.found(u"MIN"_s), u"ÁGUA MINERAL"_s);
        QCOMPARE(book.found(u"fornecedores agua"_s), u"ÁGUA MINERAL|Luz e água"_s);
        QCOMPARE(book.found(u"avila"_s), u"Conta de luz|Nota fiscal da água"_s);
        QCOMPARE(book.found(u"neral"_s), QString());
        QCOMPARE(book.found(u"agua cerveja"_s), QString());
        QCOMPARE(book.found(u"nf 12"_s), u"Venda balcão|Nota fiscal da água"_s);
        QCOMPARE(book.found(u"NF-21"_s), u"Conta de luz"_s);
    }

    // An amount is found as received or as paid out, alone or with words,
    // days and an account; days and an account narrow words or stand alone.
    void amountsDaysAndAccount()
    {
        SearchBook book;
        const auto byAmount = [](const char* amount) {
            return SearchCriteria{QString(), {}, {}, {}, reais(amount)};
        };
        QCOMPARE(book.found(byAmount("30,00")), u"ÁGUA MINERAL|Ação social|Luz e água"_s);
        QCOMPARE(book.found(byAmount("120,5")), u"Conta de luz"_s);
        QCOMPARE(book.found(byAmount("30,01")), QString());
        SearchCriteria withWords = byAmount("30,00");
        withWords.words = u"agua"_s;
        QCOMPARE(book.found(withWords), u"ÁGUA MINERAL|Luz e água"_s);
        withWords.from = QDate(2026, 1, 1);
        QCOMPARE(book.found(withWords), u"ÁGUA MINERAL"_s);
        SearchCriteria ofAccount = byAmount("30,00");
        ofAccount.accountId = book.caixa;
        QCOMPARE(book.found(ofAccount), u"Ação social"_s);
        // Both days are included; either may be left open.
        SearchCriteria c{u"luz"_s, QDate(2026, 12, 4), QDate(2026, 12, 4), {}, {}};
        QCOMPARE(book.found(c), u"Conta de luz"_s);
        c.from = QDate(2025, 12, 31);
        c.to = QDate(2026, 12, 3);
        QCOMPARE(book.found(c), u"Luz e água"_s);
        c.to.reset();
        QCOMPARE(book.found(c), u"Conta de luz|Luz e água"_s);
        c.from.reset();
        c.to = QDate(2025, 12, 30);
        QCOMPARE(book.found(c), QString());
        // Days alone, and an account alone.
        QCOMPARE(book.found({QString(), QDate(2026, 12, 4), QDate(2026, 12, 5), {}, {}}),
                 u"Venda balcão|ÁGUA MINERAL|Conta de luz"_s);
        QCOMPARE(book.found({QString(), {}, {}, book.banco, {}}),
                 u"Conta de luz|Nota fiscal da água"_s);
    }

    // Newest first by day, time and id on every path; a limit keeps the
    // newest, and the count still counts them all.
    void newestFirstAndCounted()
    {
        SearchBook book;
        // Same day and minute as "Venda balcão", entered later.
        book.addEntry(u"2026-12-05"_s, u"10:00:30"_s, book.caixa, u"Venda cartão"_s, u"50,00"_s,
                      u"0,00"_s);
        QCOMPARE(book.found(u"venda"_s), u"Venda cartão|Venda balcão"_s);
        QCOMPARE(book.found({QString(), {}, {}, {}, reais("50")}), u"Venda cartão|Venda balcão"_s);
        QCOMPARE(book.found({QString(), QDate(2026, 12, 5), QDate(2026, 12, 5), {}, {}}),
                 u"Venda cartão|Venda balcão|ÁGUA MINERAL"_s);
        // "água", "ação", "Ávila": five entries.
        QCOMPARE(book.found({u"a"_s, {}, {}, {}, {}}, 2), u"ÁGUA MINERAL|Conta de luz"_s);
        QCOMPARE(book.counted({u"a"_s, {}, {}, {}, {}}), 5);
        QCOMPARE(book.counted({QString(), {}, {}, {}, reais("30")}), 3);
        QCOMPARE(book.counted({QString(), QDate(2026, 1, 1), {}, book.banco, {}}), 2);
        // A beginning shared by many terms (here forty document numbers and a
        // word) is looked up whole, not cut at some number of terms.
        book.exec(u"with recursive n(i) as (select 0 union all select i + 1 from n where i < 39) "
                  "insert into caixa (idconta, data, hora, ndoc, descricao, entrada, saida) "
                  "select cast(? as integer), '2026-06-01', '08:00:00', "
                  "'NF 7' || case when i < 10 then '0' else '' end || i, 'Frete', 0, 10000 "
                  "from n"_s,
                  {book.caixa});
        book.addEntry(u"2026-06-02"_s, u"08:00:00"_s, book.caixa, u"7 de setembro"_s, u"1,00"_s,
                      u"0,00"_s);
        QCOMPARE(book.counted({u"7"_s, {}, {}, {}, {}}), 41);
        QCOMPARE(book.counted({u"nf 7"_s, {}, {}, {}, {}}), 40);
        QCOMPARE(book.found({u"7"_s, {}, {}, {}, {}}, 2), u"7 de setembro|Frete"_s);
        QCOMPARE(book.counted({u"nf 739"_s, {}, {}, {}, {}}), 1);
    }

    // Without the word index, words are refused with the reason; the other
    // criteria still work.
    void bookWithoutTheIndex()
    {
        TestBook book;
        if (book.onServer())
            QSKIP("a server book without its indexes is searched all the same (tst_ServerSearch)");
        const qint64 account = book.addAccount(u"CAIXA"_s);
        book.addEntry(u"2026-12-05"_s, u"10:00:00"_s, account, u"Água"_s, u"5,00"_s, u"0,00"_s);
        const auto words = EntrySearch(book.db).find({u"agua"_s, {}, {}, {}, {}});
        QVERIFY(!words);
        VERIFY_CONTAINS(words.reason(), u"ainda não tem o índice de busca"_s);
        const auto amount = EntrySearch(book.db).find({QString(), {}, {}, {}, reais("5")});
        QVERIFY(amount && amount->size() == 1);
        QCOMPARE(amount->first().conta, u"CAIXA"_s);
    }
};

LIVRO_TEST(tst_EntrySearch)
#include "tst_EntrySearch.moc"
