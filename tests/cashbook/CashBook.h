#pragma once

#include "Controls.h"
#include "TestBook.h"
#include "cashbook/EntryGridModel.h"
#include "cashbook/frmPrincipal.h"
#include "core/SettingsStore.h"

#include <QLabel>

using namespace Qt::StringLiterals;

// The clock says 05/12/2026 14:03. Entries two days before the period,
// yesterday, today (two in the same minute, one of a deleted account, one
// without amounts), tomorrow, and one without an account on 02/12.
// The period 04/12..05/12 opens at 800,00 and lists six rows.
struct CashBook : TestBook
{
    CashBook()
    {
        caixa = addAccount(u"CAIXA"_s);
        banco = addAccount(u"BANCO D'ÁVILA"_s);
        addEntry(u"2026-12-01"_s, u"08:00:00"_s, caixa, u"Troco"_s, u"1.000,00"_s, u"0,00"_s);
        addEntry(u"2026-12-02"_s, u"08:00:00"_s, banco, u"Aluguel"_s, u"0,00"_s, u"200,00"_s);
        addEntry(u"2026-12-02"_s, u"09:00:00"_s, std::nullopt, u"Sem conta"_s, u"0,00"_s,
                 u"0,00"_s);
        addEntry(u"2026-12-04"_s, u"09:00:00"_s, banco, u"Luz"_s, u"0,00"_s, u"30,00"_s);
        addEntry(u"2026-12-04"_s, u"08:00:00"_s, caixa, u"Venda"_s, u"100,00"_s, u"0,00"_s);
        // Same minute: listed by id, whatever the order they were stored in.
        exec(
            u"insert into caixa (id, idconta, data, hora, ndoc, descricao, entrada, saida) values (50, ?, '2026-12-05', '10:00:00', 'NF 1', 'Venda cartão', 500000, 0)"_s,
            {caixa});
        exec(
            u"insert into caixa (id, idconta, data, hora, descricao, entrada, saida) values (40, ?, '2026-12-05', '10:00:00', 'Compra', 0, 200000)"_s,
            {caixa});
        addEntry(u"2026-12-05"_s, u"11:00:00"_s, 99, u"Conta apagada"_s, u"10,00"_s, u"0,00"_s);
        last = addEntry(u"2026-12-05"_s, u"12:00:45"_s, caixa, u"Sem valor"_s, std::nullopt,
                        std::nullopt, u"NF 9"_s);
        addEntry(u"2026-12-06"_s, u"08:00:00"_s, caixa, u"Amanhã"_s, u"5,00"_s, u"0,00"_s);
        LoadSettings(db, session.Settings);
    }
    qint64 balanceOf(qint64 account)
    {
        return scalar(u"select saldo from contas where id = ?"_s, {account}).toLongLong();
    }
    qint64 caixa = 0;
    qint64 banco = 0;
    qint64 last = 0;
};

// The texts of a grid column, top to bottom, or of a row (column -1), left to right.
inline QStringList column(const frmPrincipal& w, int c, int r = -1)
{
    QStringList texts;
    for (int i = 0; i < (r < 0 ? w.gridModel()->rowCount() : int(EntryGridModel::ColumnCount)); ++i)
        texts.append(r < 0 ? w.gridModel()->cellText(i, c) : w.gridModel()->cellText(r, i));
    return texts;
}
inline QStringList row(const frmPrincipal& w, int r)
{
    return column(w, -1, r);
}

// The balance panel: yesterday, today, received and paid out in the period.
inline QStringList panel(const QWidget& w)
{
    QStringList texts;
    for (const char* name : {"lblSaldoOntem", "lblSaldoHoje", "lblTotalEntradas", "lblTotalSaidas"})
        texts.append(control<QLabel>(w, name)->text());
    return texts;
}
