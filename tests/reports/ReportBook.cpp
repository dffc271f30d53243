#include "ReportBook.h"

#include "core/Formats.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPeriod.h"

#include <QProcess>

ReportBook::ReportBook()
{
    caixa = addAccount(QStringLiteral("CAIXA"));
    banco = addAccount(QStringLiteral("BANCO D'ÁVILA"));
    struct Row
    {
        const char *date, *time;
        qint64 account;
        const char *description, *in, *out, *ndoc;
    };
    const Row rows[] = {
        {"2026-11-30", "08:00", caixa, "Antes", "1.000,00", "0,00", nullptr},
        {"2026-12-01", "09:00", caixa, "Venda", "100,00", "0,00", nullptr},
        {"2026-12-01", "08:00", banco, "Aluguel", "0,00", "30,00", nullptr},
        {"2026-12-02", "10:00", caixa, "Sem valor", nullptr, nullptr, nullptr},
        {"2026-12-02", "11:00", banco, "Luz", nullptr, "20,00", "NF 7"},
        {"2026-12-03", "12:00", 99, "Conta apagada", "5,00", nullptr, nullptr},
        {"2026-12-05", "09:30", caixa, "Venda do dia", "40,00", "0,00", nullptr},
        {"2026-12-06", "08:00", caixa, "Amanhã", "7,00", "0,00", nullptr},
    };
    const auto opt = [](const char* s) {
        return s ? std::optional<QString>(QString::fromUtf8(s)) : std::nullopt;
    };
    for (const Row& r : rows)
        addEntry(QString::fromLatin1(r.date), QString::fromLatin1(r.time) + QStringLiteral(":00"),
                 r.account, QString::fromUtf8(r.description), opt(r.in), opt(r.out), opt(r.ndoc));
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

QStringList items(const char* list, char separator)
{
    return QString::fromUtf8(list).split(QLatin1Char(separator));
}

QStringList texts(const dtrLivroCaixa::Output& out, const char* section, const char* control)
{
    return out.document->texts(QString::fromLatin1(section), QString::fromLatin1(control));
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString& fileName, int page)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    return runTool(QStringLiteral("pdftotext"), args << fileName << QStringLiteral("-"));
}
