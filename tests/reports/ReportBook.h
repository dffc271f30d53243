#pragma once

#include "TestBook.h"
#include "reports/dtrLivroCaixa.h"

using namespace Qt::StringLiterals;

// Two accounts (one with an apostrophe in its name); the clock says 05/12/2026 14:03.
//   30/11 08:00 CAIXA          Antes          in 1.000,00
//   01/12 08:00 BANCO D'ÁVILA  Aluguel        in 0,00      out 30,00
//   01/12 09:00 CAIXA          Venda          in 100,00    out 0,00
//   02/12 10:00 CAIXA          Sem valor      (blank amounts)
//   02/12 11:00 BANCO D'ÁVILA  Luz  (NF 7)    out 20,00
//   03/12 12:00 (no account)   Conta apagada  in 5,00
//   05/12 09:30 CAIXA          Venda do dia   in 40,00
//   06/12 08:00 CAIXA          Amanhã         in 7,00
struct ReportBook : TestBook
{
    ReportBook();
    qint64 caixa = 0;
    qint64 banco = 0;
    // The report of first..last as the report window runs it, opened by the
    // balance before first (of one account when accountId >= 1).
    dtrLivroCaixa::Output report(const QDate& first, const QDate& last, qint64 accountId = 0,
                                 bool newPagePerDay = false,
                                 const QString& accountName = u"Todas"_s);
};

inline const QDate kFirst(2026, 12, 1);
inline const QDate kThird(2026, 12, 3);

// The texts a control prints, band after band of its section.
QStringList texts(const dtrLivroCaixa::Output& out, const char* section, const char* control);
// What a command-line tool printed; empty when it failed.
QString runTool(const QString& program, const QStringList& arguments);
// The text of a PDF (of one page, from 1, when page > 0), laid out as printed.
QString pdfText(const QString& fileName, int page = 0);
// The number of pages of a PDF, or -1.
int pdfPages(const QString& fileName);
// The first sheet of a workbook read back from its XML parts, a row a line:
// "A|B|...", texts as they are, numbers in brackets as their format shows them.
QStringList sheetRows(const QString& fileName);
