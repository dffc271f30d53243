#include "ReportBook.h"

#include "book/Balances.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPeriod.h"

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

ReportBook::ReportBook()
{
    caixa = addAccount(u"CAIXA"_s);
    banco = addAccount(u"BANCO D'ÁVILA"_s);
    struct Row
    {
        const char *date, *time;
        qint64 account;
        const char *description, *in, *out, *ndoc;
    };
    const Row rows[] = {
        {"2026-11-30", "08:00:00", caixa, "Antes", "1.000,00", "0,00", nullptr},
        {"2026-12-01", "09:00:00", caixa, "Venda", "100,00", "0,00", nullptr},
        {"2026-12-01", "08:00:00", banco, "Aluguel", "0,00", "30,00", nullptr},
        {"2026-12-02", "10:00:00", caixa, "Sem valor", nullptr, nullptr, nullptr},
        {"2026-12-02", "11:00:00", banco, "Luz", nullptr, "20,00", "NF 7"},
        {"2026-12-03", "12:00:00", 99, "Conta apagada", "5,00", nullptr, nullptr},
        {"2026-12-05", "09:30:00", caixa, "Venda do dia", "40,00", "0,00", nullptr},
        {"2026-12-06", "08:00:00", caixa, "Amanhã", "7,00", "0,00", nullptr},
    };
    const auto opt = [](const char* s) {
        return s ? std::optional<QString>(QString::fromUtf8(s)) : std::nullopt;
    };
    for (const Row& r : rows)
        addEntry(QString::fromLatin1(r.date), QString::fromLatin1(r.time), r.account,
                 QString::fromUtf8(r.description), opt(r.in), opt(r.out), opt(r.ndoc));
}

dtrLivroCaixa::Output ReportBook::report(const QDate& first, const QDate& last, qint64 accountId,
                                         bool newPagePerDay, const QString& accountName)
{
    const Money opening = Balances::openingBalance(db, first, accountId).value();
    const ReportContext context{opening, ReportPeriod::text(first, last), newPagePerDay};
    const auto built = CashBookReport::build(db, {first, last, accountId}, context, accountName);
    if (!built)
        qFatal("the report failed: %s", qPrintable(built.reason()));
    return built.value();
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
    QStringList args{u"-layout"_s};
    if (page > 0)
        args << u"-f"_s << QString::number(page) << u"-l"_s << QString::number(page);
    return runTool(u"pdftotext"_s, args << fileName << u"-"_s);
}

int pdfPages(const QString& fileName)
{
    const QRegularExpressionMatch m =
        QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(runTool(u"pdfinfo"_s, {fileName}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList sheetRows(const QString& fileName)
{
    // A number in brackets as its format shows it (dates count days from
    // 30/12/1899); an unknown format is named.
    const auto shown = [](double n, const QString& format) {
        const QString text =
            format == u"dd/mm/yyyy" ? QDate(1899, 12, 30).addDays(qint64(n)).toString(u"dd/MM/yyyy")
            : format == u"hh:mm"    ? QTime(0, 0).addSecs(qRound(n * 86400)).toString(u"hh:mm")
            : format == u"#,##0.00" ? QString::number(n, 'f', 2)
                                    : QString::number(n) + u' ' + format;
        return u'[' + text + u']';
    };
    const auto part = [&](const char* name) {
        return runTool(u"unzip"_s, {u"-p"_s, fileName, QLatin1String(name)});
    };
    QStringList strings; // shared strings, each of one or more runs
    for (QXmlStreamReader s(part("xl/sharedStrings.xml")); !s.atEnd();) {
        if (s.readNext() == QXmlStreamReader::StartElement && s.name() == u"si")
            strings.append(QString());
        else if (s.isStartElement() && s.name() == u"t")
            strings.last() += s.readElementText();
    }
    // The number format of each cell style; 0 and 4 are built in.
    QHash<int, QString> formats{{0, u"General"_s}, {4, u"#,##0.00"_s}};
    QStringList styles;
    bool inCellXfs = false;
    for (QXmlStreamReader st(part("xl/styles.xml")); !st.atEnd();) {
        st.readNext();
        const auto id = st.attributes().value(QLatin1String("numFmtId")).toInt();
        if (st.isStartElement() && st.name() == u"numFmt")
            formats.insert(id, st.attributes().value(QLatin1String("formatCode")).toString());
        else if (st.name() == u"cellXfs")
            inCellXfs = st.isStartElement();
        else if (inCellXfs && st.isStartElement() && st.name() == u"xf")
            styles.append(formats.value(id, u"?"_s));
    }
    QStringList lines;
    for (QXmlStreamReader r(part("xl/worksheets/sheet1.xml")); !r.atEnd();) {
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"c")
            continue;
        const QString ref = r.attributes().value(QLatin1String("r")).toString();
        const bool isText = r.attributes().value(QLatin1String("t")) == u"s";
        const QString format = styles.value(r.attributes().value(QLatin1String("s")).toInt());
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"v")
            continue; // a blank cell of a merged range
        const QString v = r.readElementText();
        const int row = ref.mid(1).toInt(); // the sheet uses columns A to H
        while (lines.size() < row)
            lines.append(QString());
        QString& line = lines[row - 1];
        line += QString(ref.at(0).unicode() - 'A' - line.count(u'|'), u'|') +
                (isText ? strings.value(v.toInt()) : shown(v.toDouble(), format));
    }
    return lines;
}
