#include "ReportBook.h"
#include "TestMain.h"
#include "reports/ReportChart.h"
#include "reports/ReportDocument.h"
#include "reports/ReportOutput.h"
#include "reports/ReportPeriod.h"
#include "reports/XlsxExport.h"

#include <QAreaSeries>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QTest>

namespace {

QString sectionOf(const ReportDocument& doc, qsizetype band)
{
    return doc.definition().sections.at(doc.bands().at(band).section).name;
}

// The section of each band, in order.
QStringList sectionOrder(const ReportDocument& doc)
{
    QStringList names;
    for (qsizetype i = 0; i < doc.bands().size(); ++i)
        names.append(sectionOf(doc, i));
    return names;
}

// The page (from 0) of each day's heading.
QStringList dayPages(const ReportDocument& doc)
{
    QStringList pages;
    for (qsizetype i = 0; i < doc.bands().size(); ++i) {
        if (sectionOf(doc, i) == u"GroupHeader1")
            pages.append(QString::number(doc.pageOfBand(i)));
    }
    return pages;
}

QStringList legend(const dtrLivroCaixa::Output& out)
{
    return texts(out, "ReportFooter", "lblEntradas") + texts(out, "ReportFooter", "lblSaidas");
}

} // namespace

class tst_CashBookReport : public QObject
{
    Q_OBJECT

private slots:
    // Days in date order, entries by time within a day; blank amounts print
    // nothing; an entry whose account is gone shows no account.
    void daysEntriesAndBalances()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        QCOMPARE(sectionOrder(*out.document),
                 items("ReportHeader|GroupHeader1|Detail|Detail|GroupFooter1|GroupHeader1|Detail|"
                       "Detail|GroupFooter1|GroupHeader1|Detail|GroupFooter1|ReportFooter"));
        QCOMPARE(texts(out, "GroupHeader1", "txtSaldoData"),
                 items("01/12/2026|02/12/2026|03/12/2026"));
        QCOMPARE(texts(out, "Detail", "Field2"), items("08:00|09:00|10:00|11:00|12:00"));
        QCOMPARE(texts(out, "Detail", "Field4"),
                 items("Aluguel|Venda|Sem valor|Luz|Conta apagada"));
        QCOMPARE(texts(out, "Detail", "Field7"), items("|||NF 7|"));
        QCOMPARE(texts(out, "Detail", "txtConta"),
                 items("BANCO D'ÁVILA|CAIXA|CAIXA|BANCO D'ÁVILA|"));
        QCOMPARE(texts(out, "Detail", "txtEntrada"), items("0,00|100,00|||5,00"));
        QCOMPARE(texts(out, "Detail", "txtSaida"), items("30,00|0,00||20,00|"));
        // The balance runs from the opening balance, blank amounts counting as
        // zero; day footers and the legend hold the movements.
        QCOMPARE(texts(out, "Detail", "txtSaldo"),
                 items("970,00|1.070,00|1.070,00|1.050,00|1.055,00"));
        QCOMPARE(texts(out, "GroupFooter1", "txtTituloSaldoData"),
                 items("Movimento do dia 01/12/2026. |Movimento do dia 02/12/2026. |"
                       "Movimento do dia 03/12/2026. "));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"), items("70,00|-20,00|5,00"));
        QCOMPARE(legend(out), items("Entradas - 105,00|Saídas - 50,00"));

        // Only with a page per day does a later day start a page, and the
        // chart's band never fits under the days.
        QCOMPARE(dayPages(*out.document), items("0|0|0"));
        QCOMPARE(out.document->pageCount(), 2);
        const auto apart = book.report(kFirst, kThird, 0, true);
        QCOMPARE(dayPages(*apart.document), items("0|1|2"));
        QCOMPARE(apart.document->pageCount(), 4);
    }

    // A chart row a day, what went out (red) and what came in (cyan), drawn
    // by Qt Charts with the days written under the plot.
    void aChartRowADay()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const ChartData& chart = out.document->chartData();
        QStringList columns, outs, ins;
        for (const auto& column : chart.columns)
            columns << column.label + u' ' + column.colour.name();
        QCOMPARE(columns, items("Saídas #ff0000|Entradas #00ffff"));
        for (const ChartData::Row& row : chart.rows) {
            outs.append(row.values.at(0).format());
            ins.append(row.values.at(1).format());
        }
        QCOMPARE(outs, items("30,00|20,00|0,00"));
        QCOMPARE(ins, items("100,00|0,00|5,00"));

        QChart* drawn = out.document->chartRenderer().chart(QSizeF(16275, 9315));
        QCOMPARE(drawn->title(), u"01/12/2026 Até 03/12/2026"_s);
        auto* drawnOuts = qobject_cast<QAreaSeries*>(drawn->series().value(0));
        QVERIFY(drawnOuts);
        QCOMPARE(drawnOuts->name() + u' ' + drawnOuts->brush().color().name(), u"Saídas #ff0000"_s);
        QCOMPARE(drawnOuts->upperSeries()->count(), 12); // four corners a bar
        QCOMPARE(drawnOuts->upperSeries()->at(1).y(), 30.0);
        QCOMPARE(out.document->chartRenderer().dayLabels(), items("01/12/26|02/12/26|03/12/26"));
        QList<QPointF> written;
        for (QGraphicsItem* item : drawn->childItems()) {
            if (dynamic_cast<QGraphicsSimpleTextItem*>(item))
                written.append(item->pos());
        }
        QCOMPARE(written.size(), 3);
        QVERIFY(written.at(0).y() > drawn->plotArea().bottom() && written[0].x() < written[1].x());
    }

    // One account: its entries, its own opening balance, legend and chart, but
    // the day footers keep every account's movement. A period without
    // entries keeps its title band, a legend of zeros and its chart's title.
    void oneAccountOrNone()
    {
        ReportBook book;
        book.addEntry(u"2026-11-20"_s, u"08:00:00"_s, book.banco, u"Depósito"_s, u"500,00"_s,
                      u"0,00"_s);
        const auto out = book.report(kFirst, kThird, book.banco);
        QCOMPARE(texts(out, "Detail", "Field4"), items("Aluguel|Luz"));
        QCOMPARE(texts(out, "Detail", "txtSaldo"), items("470,00|450,00"));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"), items("70,00|-20,00"));
        QCOMPARE(legend(out), items("Entradas - 0,00|Saídas - 50,00"));
        QCOMPARE(out.document->chartData().rows.size(), 2);

        const auto none = book.report(QDate(2026, 10, 1), QDate(2026, 10, 31));
        QCOMPARE(sectionOrder(*none.document), items("ReportHeader|ReportFooter"));
        QCOMPARE(legend(none), items("Entradas - 0,00|Saídas - 0,00"));
        QCOMPARE(none.document->chartData().title, u"01/10/2026 Até 31/10/2026"_s);
        QVERIFY(none.document->chartData().rows.isEmpty());
    }

    // Over many pages no page ends with a day heading and no band runs past
    // the margin; no control of the sheet lies outside it; a description
    // longer than its column wraps, whole, and moves the lines below down.
    void bandsStayWithinThePage()
    {
        ReportBook book;
        for (int day = 0; day < 40; ++day) {
            const QString date = QDate(2027, 1, 1).addDays(day).toString(Qt::ISODate);
            for (int i = 0; i <= day % 4; ++i)
                book.addEntry(date, u"10:0%1:00"_s.arg(i), book.caixa, u"x"_s, u"1,00"_s,
                              std::nullopt);
        }
        const auto out = book.report(QDate(2027, 1, 1), QDate(2027, 2, 9));
        const ReportDocument& doc = *out.document;
        const ReportDefinition& d = doc.definition();
        QVERIFY(doc.pageCount() > 5);
        for (const ReportPage& page : doc.pages()) {
            const PlacedBand& last = page.bands.last();
            QVERIFY(sectionOf(doc, last.band) != u"GroupHeader1");
            QVERIFY(last.top + d.sections.at(doc.bands().at(last.band).section).height +
                        last.growth <=
                    d.contentRect().bottom() + 1);
        }
        QCOMPARE(texts(out, "Detail", "txtSaldo").last(), u"1.202,00"_s);
        for (const ReportSection& s : d.sections) {
            for (const ReportControl& c : s.controls) {
                QVERIFY2(c.rect.right() < d.contentRect().width(), qPrintable(c.name));
                QVERIFY2(c.line.x2() <= d.contentRect().width(), qPrintable(c.name));
            }
        }

        const QString words = u"Conserto da geladeira e troca do compressor — peça nº 5, "
                              "orçamento aprovado pelo gerente após três cotações "_s.repeated(3);
        book.addEntry(u"2026-12-03"_s, u"13:00:00"_s, book.caixa, words, u"1,00"_s, std::nullopt);
        QRectF shortLine;
        QRectF longLine;
        QList<double> rules;
        const auto wrapped = book.report(kThird, kThird);
        for (const DrawItem& item : wrapped.document->pageItems(0)) {
            if (item.control->name == u"Field4")
                (item.text == words ? longLine : shortLine) = item.rect;
            if (item.control->name == u"Line3")
                rules.append(item.line.y1());
        }
        QCOMPARE(shortLine.height(), 270.0);
        QVERIFY(longLine.height() >= 3 * 190.0); // three lines at least
        QCOMPARE(rules.size(), 2);
        QVERIFY(rules.at(1) - rules.at(0) > 375 + longLine.height() - 270 - 1);
        const QString pdf = book.dir() + u"/texto.pdf"_s;
        QVERIFY(ReportOutput::writePdf(*wrapped.document, pdf).ok());
        const QString text = pdfText(pdf, 1).simplified();
        qsizetype at = text.indexOf(u"Conta apagada"_s);
        for (const QString& word : words.split(u' ', Qt::SkipEmptyParts)) { // in order
            at = text.indexOf(word, at);
            QVERIFY2(at >= 0, qPrintable(word + u" in "_s + text));
        }
    }

    // More days than any fixed-size table would hold, each with its chart
    // row; the chart's day labels thin out to about twenty pixels apart.
    void noLimitOnDays()
    {
        QList<CashBookEntry> entries;
        const QDate start(1950, 1, 1);
        constexpr int days = 35001;
        for (int i = 0; i < days; ++i)
            entries.append({start.addDays(i), QTime(9, 0), 1, u"CAIXA"_s, QString(), u"x"_s,
                            Money::fromUnits(20000), std::nullopt});
        auto rows = std::make_shared<CashBookRows>();
        rows->setEntries(std::move(entries));
        ReportContext context;
        context.ReportPeriodText = ReportPeriod::text(start, start.addDays(days - 1));
        const auto out = dtrLivroCaixa::run(context, rows, u"Todas"_s);
        QCOMPARE(out.content->days.size(), qsizetype(days));
        QCOMPARE(out.document->chartData().rows.last().label, u"29/10/45"_s);
        QCOMPARE(out.content->balances.last()->format(), u"70.002,00"_s);
        QCOMPARE(legend(out).first(), u"Entradas - 70.002,00"_s);
        QCOMPARE(ChartRenderer::labelStep(10, 995), 1);
        QVERIFY(ChartRenderer::labelStep(110, 995) > 1);
        const qsizetype step = ChartRenderer::labelStep(365, 995);
        QVERIFY(365 / step <= 995 / 20 && 365 / step >= 20);
    }

    // A write that fails says why and leaves no file behind, not even a
    // temporary one; an older file of the chosen name is replaced whole.
    void failedWriteLeavesNothingBehind()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        for (const QString& suffix : {u".pdf"_s, u".xlsx"_s}) {
            const auto write = [&](const QString& name) {
                const QString path = book.dir() + u'/' + name + suffix;
                return suffix == u".pdf" ? ReportOutput::writePdf(*out.document, path)
                                         : XlsxExport::write(*out.content, path);
            };
            // A folder takes the name (root too is stopped by that): the file
            // is written, cannot take it, and goes.
            QVERIFY(QDir().mkpath(book.dir() + u"/ocupado"_s + suffix));
            const QStringList before = filesIn(book.dir());
            const Status refused = write(u"ocupado"_s);
            QVERIFY2(!refused && !refused.reason().isEmpty(), qPrintable(suffix));
            QCOMPARE(filesIn(book.dir()), before);

            QFile older(book.dir() + u"/velho"_s + suffix);
            QVERIFY(older.open(QIODevice::WriteOnly));
            QCOMPARE(older.write(QByteArray(500000, 'x')), 500000);
            older.close();
            QVERIFY(write(u"velho"_s));
            if (suffix == u".pdf")
                QCOMPARE(pdfPages(older.fileName()), out.document->pageCount());
            else
                QVERIFY(sheetRows(older.fileName()).constLast().startsWith(u"Totais do período"));
        }
    }
};

LIVRO_TEST(tst_CashBookReport)
#include "tst_CashBookReport.moc"
