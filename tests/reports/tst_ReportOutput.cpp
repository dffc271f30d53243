#include "ReportBook.h"
#include "TestMain.h"
#include "XlsxReader.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/XlsxExport.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

int pdfPages(const QString& fileName)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {fileName});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfText(const QString& fileName, int page = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    return runTool(QStringLiteral("pdftotext"), args << fileName << QStringLiteral("-"));
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A folder that cannot be written, also by root: its path is a regular file.
QString unwritableFolder(const TestBook& book)
{
    const QString path = book.dir() + QStringLiteral("/arquivo");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

// Spreadsheet days count from 30/12/1899.
double serial(const QDate& day)
{
    return double(QDate(1899, 12, 30).daysTo(day));
}

} // namespace

class tst_ReportOutput : public QObject
{
    Q_OBJECT

private slots:
    void pdfHoldsThePages()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird, 0, true);
        const QString pdf = book.dir() + QStringLiteral("/relatorio.pdf");
        QVERIFY(ReportOutput::writePdf(*out.document, pdf));
        QCOMPARE(pdfPages(pdf), out.document->pageCount());
        QCOMPARE(pdfPages(pdf), 4);
        const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Livro de caixa\n"))));
        QVERIFY(
            info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12].* x 595.*A4"))));

        const QString first = pdfText(pdf, 1);
        QVERIFY(first.contains(QStringLiteral("LIVRO DE CAIXA")));
        QVERIFY(first.contains(QStringLiteral("01/12/2026")));
        QVERIFY(first.contains(QStringLiteral("Número Documento")));
        QVERIFY(first.contains(QStringLiteral("BANCO D'ÁVILA")));
        QVERIFY(first.contains(QStringLiteral("1.070,00")));
        QVERIFY(first.contains(QStringLiteral("Movimento do dia 01/12/2026.")));
        QVERIFY(!first.contains(QStringLiteral("02/12/2026")));
        const QString second = pdfText(pdf, 2);
        QVERIFY(second.contains(QStringLiteral("Movimento do dia 02/12/2026.")));
        QVERIFY(second.contains(QStringLiteral("NF 7")));
        const QString last = pdfText(pdf, 4);
        QVERIFY(last.contains(QStringLiteral("Entradas - 105,00")));
        QVERIFY(last.contains(QStringLiteral("Saídas - 50,00")));
        QVERIFY(last.contains(QStringLiteral("01/12/2026 Até 03/12/2026"))); // the chart's title
        QVERIFY(last.contains(QStringLiteral("02/12/26"))); // a day under the chart

        // Every font travels with the file.
        const QStringList fonts =
            runTool(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString& font : fonts)
            QVERIFY2(font.contains(QStringLiteral(" yes ")), qPrintable(font));
        QCOMPARE(filesIn(book.dir()).filter(QStringLiteral("relatorio")),
                 QStringList{QStringLiteral("relatorio.pdf")});
    }

    void pdfFailureLeavesNothingBehind()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const Status written = ReportOutput::writePdf(
            *out.document, unwritableFolder(book) + QStringLiteral("/relatorio.pdf"));
        QVERIFY(!written);
        QVERIFY(!written.reason().isEmpty());
        // A name that is taken by a folder: nothing is left beside it.
        const QString taken = book.dir() + QStringLiteral("/ocupado.pdf");
        QDir().mkpath(taken);
        const QStringList before = filesIn(book.dir());
        QVERIFY(!ReportOutput::writePdf(*out.document, taken));
        QCOMPARE(filesIn(book.dir()), before);
        // An older file of the chosen name is replaced whole.
        const QString older = book.dir() + QStringLiteral("/velho.pdf");
        QFile file(older);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(500000, 'x'));
        file.close();
        QVERIFY(ReportOutput::writePdf(*out.document, older));
        QVERIFY(fileBytes(older).startsWith("%PDF"));
        QCOMPARE(pdfPages(older), out.document->pageCount());
    }

    void pageImageIsTheSheet()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const QImage image = ReportOutput::pageImage(*out.document, 0, 96);
        QCOMPARE(image.size(), QSize(1123, 794)); // A4 landscape at 96 dots per inch
        // The grey day heading is there, white paper around it.
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
        const int y = (250 + 1170 + 200) * 96 / 1440;
        QCOMPARE(image.pixelColor(40, y), QColor(128, 128, 128));
    }

    void spreadsheetHoldsRealFigures()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const QString xlsx = book.dir() + QStringLiteral("/relatorio.xlsx");
        QVERIFY(XlsxExport::write(*out.content, xlsx));
        QCOMPARE(filesIn(book.dir()).filter(QStringLiteral("relatorio")),
                 QStringList{QStringLiteral("relatorio.xlsx")});

        // The permissions of any file the user saves, not those of a private temporary one.
        QFile probe(book.dir() + QStringLiteral("/novo"));
        QVERIFY(probe.open(QIODevice::WriteOnly));
        probe.close();
        QCOMPARE(QFile::permissions(xlsx), QFile::permissions(probe.fileName()));
        XlsxReader sheet;
        QVERIFY(sheet.read(xlsx));
        QCOMPARE(sheet.sheetName(), QStringLiteral("Livro de caixa"));
        QCOMPARE(sheet.title(), QStringLiteral("Livro de caixa"));
        QCOMPARE(sheet.text(QStringLiteral("A1")), QStringLiteral("LIVRO DE CAIXA"));
        QCOMPARE(sheet.text(QStringLiteral("A2")),
                 QStringLiteral("Período: 01/12/2026 Até 03/12/2026"));
        QCOMPARE(sheet.text(QStringLiteral("A3")), QStringLiteral("Conta: Todas"));

        const int opening = sheet.rowOf(QStringLiteral("Saldo anterior"));
        QVERIFY(opening > 0);
        QCOMPARE(sheet.number(QStringLiteral("H%1").arg(opening)), 1000.0);
        QCOMPARE(sheet.cell(QStringLiteral("H%1").arg(opening)).format, QStringLiteral("#,##0.00"));

        // The first day: its heading is a real date, then the titles and the entries.
        const int heading = opening + 2;
        const XlsxReader::Cell day = sheet.cell(QStringLiteral("A%1").arg(heading));
        QVERIFY(day.isNumber);
        QCOMPARE(day.number, serial(kFirst));
        QCOMPARE(day.format, QStringLiteral("dd/mm/yyyy"));
        QCOMPARE(sheet.text(QStringLiteral("H%1").arg(heading + 1)), QStringLiteral("Saldo"));
        const int aluguel = heading + 2;
        QCOMPARE(sheet.number(QStringLiteral("A%1").arg(aluguel)), serial(kFirst));
        QCOMPARE(sheet.number(QStringLiteral("B%1").arg(aluguel)), 8.0 / 24);
        QCOMPARE(sheet.cell(QStringLiteral("B%1").arg(aluguel)).format, QStringLiteral("hh:mm"));
        QCOMPARE(sheet.text(QStringLiteral("C%1").arg(aluguel)), QStringLiteral("BANCO D'ÁVILA"));
        QCOMPARE(sheet.text(QStringLiteral("E%1").arg(aluguel)), QStringLiteral("Aluguel"));
        QCOMPARE(sheet.number(QStringLiteral("F%1").arg(aluguel)), 0.0);
        QCOMPARE(sheet.number(QStringLiteral("G%1").arg(aluguel)), 30.0);
        QCOMPARE(sheet.cell(QStringLiteral("G%1").arg(aluguel)).format, QStringLiteral("#,##0.00"));
        QCOMPARE(sheet.number(QStringLiteral("H%1").arg(aluguel)), 970.0);
        const int footer = aluguel + 2;
        QCOMPARE(sheet.text(QStringLiteral("A%1").arg(footer)),
                 QStringLiteral("Movimento do dia 01/12/2026."));
        QCOMPARE(sheet.number(QStringLiteral("H%1").arg(footer)), 70.0);

        // Blank amounts stay blank; "Sem valor" is the first entry of the second day.
        const int semValor = footer + 4;
        QCOMPARE(sheet.text(QStringLiteral("E%1").arg(semValor)), QStringLiteral("Sem valor"));
        QVERIFY(!sheet.has(QStringLiteral("F%1").arg(semValor)));
        QVERIFY(!sheet.has(QStringLiteral("G%1").arg(semValor)));
        QCOMPARE(sheet.text(QStringLiteral("D%1").arg(semValor + 1)), QStringLiteral("NF 7"));

        const int totals = sheet.rowOf(QStringLiteral("Totais do período"));
        QCOMPARE(totals, sheet.lastRow());
        QCOMPARE(sheet.number(QStringLiteral("F%1").arg(totals)), 105.0);
        QCOMPARE(sheet.number(QStringLiteral("G%1").arg(totals)), 50.0);
        QCOMPARE(sheet.number(QStringLiteral("H%1").arg(totals)), 1055.0);
    }

    // Every balance is the one before plus the entry's in minus its out.
    void spreadsheetAddsUp()
    {
        ReportBook book;
        const auto out = book.report(QDate(2026, 11, 1), QDate(2026, 12, 31));
        const QString xlsx = book.dir() + QStringLiteral("/soma.xlsx");
        QVERIFY(XlsxExport::write(*out.content, xlsx));
        XlsxReader sheet;
        QVERIFY(sheet.read(xlsx));
        const int opening = sheet.rowOf(QStringLiteral("Saldo anterior"));
        double balance = sheet.number(QStringLiteral("H%1").arg(opening));
        double in = 0;
        double outs = 0;
        int entries = 0;
        for (int row = opening + 1; row < sheet.lastRow(); ++row) {
            const XlsxReader::Cell date = sheet.cell(QStringLiteral("A%1").arg(row));
            if (!date.isNumber || !sheet.has(QStringLiteral("B%1").arg(row)))
                continue; // not an entry line
            in += sheet.number(QStringLiteral("F%1").arg(row));
            outs += sheet.number(QStringLiteral("G%1").arg(row));
            balance += sheet.number(QStringLiteral("F%1").arg(row)) -
                       sheet.number(QStringLiteral("G%1").arg(row));
            QCOMPARE(sheet.number(QStringLiteral("H%1").arg(row)), balance);
            ++entries;
        }
        QCOMPARE(entries, 8);
        const int totals = sheet.lastRow();
        QCOMPARE(sheet.number(QStringLiteral("F%1").arg(totals)), in);
        QCOMPARE(sheet.number(QStringLiteral("G%1").arg(totals)), outs);
        QCOMPARE(sheet.number(QStringLiteral("H%1").arg(totals)), balance);
    }

    void spreadsheetFailureLeavesNothingBehind()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const Status written = XlsxExport::write(
            *out.content, unwritableFolder(book) + QStringLiteral("/relatorio.xlsx"));
        QVERIFY(!written);
        QVERIFY(written.reason().contains(QStringLiteral("não pode ser gravada")));
        // The name is taken by a folder: the workbook is written, cannot take
        // the name, and its temporary file goes.
        const QString taken = book.dir() + QStringLiteral("/ocupado.xlsx");
        QDir().mkpath(taken);
        const QStringList before = filesIn(book.dir());
        QVERIFY(!XlsxExport::write(*out.content, taken));
        QCOMPARE(filesIn(book.dir()), before);
    }
};

LIVRO_TEST(tst_ReportOutput)
#include "tst_ReportOutput.moc"
