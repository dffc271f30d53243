#include "ReportBook.h"

#include "core/Formats.h"
#include "reports/ReportPeriod.h"

#include <QTest>

ReportBook::ReportBook()
{
    caixa = addAccount(QStringLiteral("CAIXA"));
    banco = addAccount(QStringLiteral("BANCO D'ÁVILA"));
    const auto zero = QStringLiteral("0,00");
    addEntry(QStringLiteral("2026-11-30"), QStringLiteral("08:00:00"), caixa,
             QStringLiteral("Antes"), QStringLiteral("1.000,00"), zero);
    addEntry(QStringLiteral("2026-12-01"), QStringLiteral("09:00:00"), caixa,
             QStringLiteral("Venda"), QStringLiteral("100,00"), zero);
    addEntry(QStringLiteral("2026-12-01"), QStringLiteral("08:00:00"), banco,
             QStringLiteral("Aluguel"), zero, QStringLiteral("30,00"));
    addEntry(QStringLiteral("2026-12-02"), QStringLiteral("10:00:00"), caixa,
             QStringLiteral("Sem valor"), std::nullopt, std::nullopt);
    addEntry(QStringLiteral("2026-12-02"), QStringLiteral("11:00:00"), banco, QStringLiteral("Luz"),
             std::nullopt, QStringLiteral("20,00"), QStringLiteral("NF 7"));
    addEntry(QStringLiteral("2026-12-03"), QStringLiteral("12:00:00"), 99,
             QStringLiteral("Conta apagada"), QStringLiteral("5,00"), std::nullopt);
    addEntry(QStringLiteral("2026-12-05"), QStringLiteral("09:30:00"), caixa,
             QStringLiteral("Venda do dia"), QStringLiteral("40,00"), zero);
    addEntry(QStringLiteral("2026-12-06"), QStringLiteral("08:00:00"), caixa,
             QStringLiteral("Amanhã"), QStringLiteral("7,00"), zero);
}

dtrLivroCaixa::Output ReportBook::report(const QDate& first, const QDate& last, qint64 accountId,
                                         bool newPagePerDay)
{
    QString sql = QStringLiteral("select sum(entrada) - sum(saida) from caixa where data < ?");
    QVariantList values{Formats::dbDate(first)};
    if (accountId >= 1) {
        sql += QStringLiteral(" and idconta = ?");
        values.append(accountId);
    }
    ReportContext context;
    context.OpeningBalance = Money::fromUnits(scalar(sql, values).toLongLong());
    context.ReportPeriodText = ReportPeriod::text(first, last);
    context.NewPagePerDay = newPagePerDay;
    const auto built =
        CashBookReport::build(db, {first, last, accountId}, context, QStringLiteral("Todas"));
    if (!built.output.document)
        qFatal("the report failed: %s", qPrintable(built.error));
    return built.output;
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}
