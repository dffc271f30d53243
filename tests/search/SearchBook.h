#pragma once

#include "TestBook.h"
#include "book/EntrySearch.h"
#include "core/Dialogs.h"
#include "core/SearchIndex.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The descriptions found, in the order given, joined by "|".
inline QString foundIn(DbConnection& db, const SearchCriteria& criteria,
                       int limit = EntrySearch::kFirstResults)
{
    const auto rows = EntrySearch(db).find(criteria, limit);
    if (!rows)
        return u"falhou: "_s + rows.reason();
    QStringList texts;
    for (const FoundEntry& e : *rows)
        texts.append(e.descricao);
    return texts.join(u'|');
}
inline QString foundIn(DbConnection& db, const QString& words)
{
    return foundIn(db, SearchCriteria{words, {}, {}, {}, {}});
}

// A book with the search's indexes from the start (on a file the word
// index, which every entry below reaches through the triggers; on a server
// the folded texts), as the program prepares it at start-up. The clock says
// 05/12/2026. Six entries over a year, in three accounts, one of them
// entered last but dated first.
struct SearchBook : TestBook
{
    SearchBook()
    {
        const Status created = SearchIndex::ensure(db, dialogs);
        if (!created)
            qFatal("no index: %s", qPrintable(created.reason()));
        caixa = addAccount(u"CAIXA"_s);
        banco = addAccount(u"BANCO D'ÁVILA"_s);
        fornecedores = addAccount(u"FORNECEDORES"_s);
        venda = addEntry(u"2026-12-05"_s, u"10:00:00"_s, caixa, u"Venda balcão"_s, u"50,00"_s,
                         u"0,00"_s, u"NF 12345"_s);
        agua = addEntry(u"2026-12-05"_s, u"09:00:00"_s, fornecedores, u"ÁGUA MINERAL"_s, u"0,00"_s,
                        u"30,00"_s);
        luz = addEntry(u"2026-12-04"_s, u"16:00:00"_s, banco, u"Conta de luz"_s, u"0,00"_s,
                       u"120,50"_s, u"NF 21"_s);
        acao = addEntry(u"2026-11-20"_s, u"08:00:00"_s, caixa, u"Ação social"_s, u"30,00"_s,
                        u"0,00"_s);
        nota = addEntry(u"2026-03-10"_s, u"11:00:00"_s, banco, u"Nota fiscal da água"_s, u"0,00"_s,
                        u"45,00"_s, u"NF 12999"_s);
        antiga = addEntry(u"2025-12-31"_s, u"23:59:00"_s, fornecedores, u"Luz e água"_s, u"30,00"_s,
                          u"0,00"_s);
    }

    QString found(const SearchCriteria& criteria, int limit = EntrySearch::kFirstResults)
    {
        return foundIn(db, criteria, limit);
    }
    QString found(const QString& words) { return foundIn(db, words); }
    qint64 counted(const SearchCriteria& criteria)
    {
        const auto n = EntrySearch(db).count(criteria);
        return n ? *n : -1;
    }
    // The index agrees with the entries it was built from.
    bool indexIsRight() { return SearchIndex::check(db).ok(); }

    qint64 caixa = 0;
    qint64 banco = 0;
    qint64 fornecedores = 0;
    qint64 venda = 0;
    qint64 agua = 0;
    qint64 luz = 0;
    qint64 acao = 0;
    qint64 nota = 0;
    qint64 antiga = 0;
};

inline Money reais(const char* text)
{
    return *Money::parse(QString::fromUtf8(text));
}
