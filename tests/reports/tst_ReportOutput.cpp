#include "ReportBook.h"
#include "TestMain.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/XlsxExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

namespace {

int pdfPages(const QString& fileName)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(runTool(QStringLiteral("pdfinfo"), {fileName}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray zipPart(const QString& fileName, const char* name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), fileName, QLatin1String(name)});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return QByteArray();
    return unzip.readAllStandardOutput();
}

// A number as its number format shows it, in brackets; an unknown format is named.
QString shown(double number, const QString& format)
{
    if (format == u"dd/mm/yyyy") // days from 30/12/1899
        return u'[' + QDate(1899, 12, 30).addDays(qint64(number)).toString(u"dd/MM/yyyy") + u']';
    if (format == u"hh:mm")
        return u'[' + QTime(0, 0).addSecs(qRound(number * 86400)).toString(u"hh:mm") + u']';
    if (format == u"#,##0.00")
        return u'[' + QString::number(number, 'f', 2) + u']';
    return u'[' + QString::number(number) + u' ' + format + u']';
}

// The first sheet of a workbook the program wrote, read back from its XML
// parts, a row a line: "A|B|...", texts as they are, numbers as shown().
QStringList sheetRows(const QString& fileName)
{
    QStringList strings; // shared strings, each of one or more runs
    QXmlStreamReader s(zipPart(fileName, "xl/sharedStrings.xml"));
    while (!s.atEnd()) {
        s.readNext();
        if (s.isStartElement() && s.name() == u"si")
            strings.append(QString());
        else if (s.isStartElement() && s.name() == u"t")
            strings.last() += s.readElementText();
    }
    // The number format of each cell style; 0 and 4 are built in.
    QHash<int, QString> formats{{0, QStringLiteral("General")}, {4, QStringLiteral("#,##0.00")}};
    QStringList styles;
    bool inCellXfs = false;
    QXmlStreamReader st(zipPart(fileName, "xl/styles.xml"));
    while (!st.atEnd()) {
        st.readNext();
        const auto id = st.attributes().value(QLatin1String("numFmtId")).toInt();
        if (st.isStartElement() && st.name() == u"numFmt")
            formats.insert(id, st.attributes().value(QLatin1String("formatCode")).toString());
        else if (st.name() == u"cellXfs")
            inCellXfs = st.isStartElement();
        else if (inCellXfs && st.isStartElement() && st.name() == u"xf")
            styles.append(formats.value(id, QStringLiteral("?")));
    }
    QList<QStringList> rows;
    QXmlStreamReader r(zipPart(fileName, "xl/worksheets/sheet1.xml"));
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != u"c")
            continue;
        const QString ref = r.attributes().value(QLatin1String("r")).toString();
        const QString type = r.attributes().value(QLatin1String("t")).toString();
        const QString format = styles.value(r.attributes().value(QLatin1String("s")).toInt());
        QString value;
        while (!r.atEnd() && !(r.isEndElement() && r.name() == u"c")) {
            if (r.readNext() == QXmlStreamReader::StartElement && r.name() == u"v") {
                const QString v = r.readElementText();
                value = type == u"s"                     ? strings.value(v.toInt())
                        : type.isEmpty() || type == u"n" ? shown(v.toDouble(), format)
                                                         : v;
            }
        }
        const int row = ref.mid(1).toInt(); // the sheet uses columns A to H
        const int column = ref.at(0).unicode() - 'A';
        if (rows.size() < row)
            rows.resize(row);
        while (rows[row - 1].size() <= column)
            rows[row - 1].append(QString());
        rows[row - 1][column] = value;
    }
    QStringList lines;
    for (QStringList& row : rows) {
        while (!row.isEmpty() && row.last().isEmpty())
            row.removeLast();
        lines.append(row.join(u'|'));
    }
    return lines;
}

} // namespace

class tst_ReportOutput : public QObject
{
    Q_OBJECT

private slots:
    // The PDF holds the preview's pages: as many, with their texts page by
    // page, on A4 landscape sheets under the report's title, fonts embedded.
    void pdfHoldsThePages()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird, 0, true);
        const QString pdf = book.dir() + QStringLiteral("/relatorio.pdf");
        QVERIFY(ReportOutput::writePdf(*out.document, pdf));
        QCOMPARE(filesIn(book.dir()).filter(QStringLiteral("relatorio")), items("relatorio.pdf"));
        QCOMPARE(pdfPages(pdf), 4);
        const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Livro de caixa\n"))));
        QVERIFY(
            info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12].* x 595.*A4"))));
        const std::pair<int, const char*> pages[] = {
            {1, "LIVRO DE CAIXA|01/12/2026|Número Documento|BANCO D'ÁVILA|1.070,00|"
                "Movimento do dia 01/12/2026."},
            {2, "Movimento do dia 02/12/2026.|NF 7"},
            // The legend, the chart's title and a day under the chart.
            {4, "Entradas - 105,00|Saídas - 50,00|01/12/2026 Até 03/12/2026|02/12/26"}};
        for (const auto& [page, wanted] : pages) {
            const QString text = pdfText(pdf, page);
            for (const QString& piece : items(wanted))
                QVERIFY2(text.contains(piece), qPrintable(QString::number(page) + u' ' + piece));
        }
        QVERIFY(!pdfText(pdf, 1).contains(QStringLiteral("02/12/2026")));
        const QStringList fonts =
            runTool(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts)
            QVERIFY2(font.contains(QStringLiteral(" yes ")), qPrintable(font));
    }

    void failedWriteLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("pdf") << ".pdf";
        QTest::newRow("xlsx") << ".xlsx";
    }
    // A write that fails says why and leaves no file behind, not even a
    // temporary one; an older file of the chosen name is replaced whole.
    void failedWriteLeavesNothingBehind()
    {
        QFETCH(QString, suffix);
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const auto write = [&](const QString& name) {
            const QString path = book.dir() + u'/' + name + suffix;
            return suffix == u".pdf" ? ReportOutput::writePdf(*out.document, path)
                                     : XlsxExport::write(*out.content, path);
        };
        // A folder that cannot be written, also by root: its path is a regular file.
        QVERIFY(QFile(book.dir() + QStringLiteral("/arquivo")).open(QIODevice::WriteOnly));
        const Status written = write(QStringLiteral("arquivo/relatorio"));
        QVERIFY(!written);
        QVERIFY(!written.reason().isEmpty());
        // The name is taken by a folder: the file is written, cannot take the name, and goes.
        QVERIFY(QDir().mkpath(book.dir() + QStringLiteral("/ocupado") + suffix));
        const QStringList before = filesIn(book.dir());
        QVERIFY(!write(QStringLiteral("ocupado")));
        QCOMPARE(filesIn(book.dir()), before);

        const QString older = book.dir() + QStringLiteral("/velho") + suffix;
        QFile file(older);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(500000, 'x'));
        file.close();
        QVERIFY(write(QStringLiteral("velho")));
        if (suffix == u".pdf")
            QCOMPARE(pdfPages(older), out.document->pageCount());
        else
            QVERIFY(sheetRows(older).constLast().startsWith(QStringLiteral("Totais do período")));
    }

    // The picture of a page (the copy tool's): the A4 sheet, white around
    // the grey day heading.
    void pageImageIsTheSheet()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const QImage image = ReportOutput::pageImage(*out.document, 0, 96);
        QCOMPARE(image.size(), QSize(1123, 794));
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
        QCOMPARE(image.pixelColor(40, (250 + 1170 + 200) * 96 / 1440), QColor(128, 128, 128));
    }

    // Real dates, times and numbers with their formats: the opening balance,
    // each day's heading, one row per entry with its running balance (blank
    // amounts stay blank), the day's movement, and the totals.
    void spreadsheetHoldsRealFigures()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const QString xlsx = book.dir() + QStringLiteral("/relatorio.xlsx");
        QVERIFY(XlsxExport::write(*out.content, xlsx));
        // The permissions of any file the user saves, not those of a private temporary one.
        QFile probe(book.dir() + QStringLiteral("/novo"));
        QVERIFY(probe.open(QIODevice::WriteOnly));
        QCOMPARE(QFile::permissions(xlsx), probe.permissions());

        const QStringList expected = items(R"(LIVRO DE CAIXA
Período: 01/12/2026 Até 03/12/2026
Conta: Todas

Saldo anterior|||||||[1000.00]

[01/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[01/12/2026]|[08:00]|BANCO D'ÁVILA||Aluguel|[0.00]|[30.00]|[970.00]
[01/12/2026]|[09:00]|CAIXA||Venda|[100.00]|[0.00]|[1070.00]
Movimento do dia 01/12/2026.|||||||[70.00]

[02/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[02/12/2026]|[10:00]|CAIXA||Sem valor|||[1070.00]
[02/12/2026]|[11:00]|BANCO D'ÁVILA|NF 7|Luz||[20.00]|[1050.00]
Movimento do dia 02/12/2026.|||||||[-20.00]

[03/12/2026]
Data|Hora|Conta|Número Documento|Descrição|Entrada|Saída|Saldo
[03/12/2026]|[12:00]|||Conta apagada|[5.00]||[1055.00]
Movimento do dia 03/12/2026.|||||||[5.00]

Totais do período|||||[105.00]|[50.00]|[1055.00])",
                                           '\n');
        QCOMPARE(sheetRows(xlsx), expected);
    }
};

LIVRO_TEST(tst_ReportOutput)
#include "tst_ReportOutput.moc"
