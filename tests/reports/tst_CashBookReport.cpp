#include "ReportBook.h"
#include "TestMain.h"
#include "reports/CashBookDefinition.h"
#include "reports/ReportChart.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPeriod.h"

#include <QAreaSeries>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QTest>

namespace {

QString sectionOf(const ReportDocument& doc, qsizetype band)
{
    return doc.definition().sections.at(doc.bands().at(band).section).name;
}

// The bands in order, as "ReportHeader|GroupHeader1|Detail|...".
QString sectionOrder(const ReportDocument& doc)
{
    QStringList names;
    for (qsizetype i = 0; i < doc.bands().size(); ++i)
        names.append(sectionOf(doc, i));
    return names.join(u'|');
}

} // namespace

class tst_CashBookReport : public QObject
{
    Q_OBJECT

private slots:
    // Days in date order, entries by time within a day, the balance running
    // from the opening balance across days; blank amounts print nothing and
    // count as zero; day footers and the legend hold the movements.
    void daysInOrderWithRunningBalances()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        QCOMPARE(sectionOrder(*out.document),
                 QStringLiteral("ReportHeader|GroupHeader1|Detail|Detail|GroupFooter1|GroupHeader1|"
                                "Detail|Detail|GroupFooter1|GroupHeader1|Detail|GroupFooter1|"
                                "ReportFooter"));
        QCOMPARE(texts(out, "GroupHeader1", "txtSaldoData"),
                 items("01/12/2026|02/12/2026|03/12/2026"));
        QCOMPARE(texts(out, "Detail", "Field4"),
                 items("Aluguel|Venda|Sem valor|Luz|Conta apagada"));
        QCOMPARE(texts(out, "Detail", "Field2").first(), QStringLiteral("08:00"));
        QCOMPARE(texts(out, "Detail", "Field7").at(3), QStringLiteral("NF 7"));
        // An entry whose account is gone shows no account.
        QCOMPARE(texts(out, "Detail", "txtConta"),
                 items("BANCO D'ÁVILA|CAIXA|CAIXA|BANCO D'ÁVILA|"));
        QCOMPARE(texts(out, "Detail", "txtEntrada"), items("0,00|100,00|||5,00"));
        QCOMPARE(texts(out, "Detail", "txtSaida"), items("30,00|0,00||20,00|"));
        QCOMPARE(texts(out, "Detail", "txtSaldo"),
                 items("970,00|1.070,00|1.070,00|1.050,00|1.055,00"));
        QCOMPARE(texts(out, "GroupFooter1", "txtTituloSaldoData"),
                 items("Movimento do dia 01/12/2026. |Movimento do dia 02/12/2026. |"
                       "Movimento do dia 03/12/2026. "));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"), items("70,00|-20,00|5,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"), items("Entradas - 105,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"), items("Saídas - 50,00"));

        // The same figures for the spreadsheet.
        QCOMPARE(out.content->openingBalance.format(), QStringLiteral("1.000,00"));
        QCOMPARE(out.content->days.size(), 3);
        QCOMPARE(out.content->days.at(1).firstRow, 2);
        QCOMPARE(out.content->days.at(1).rowCount, 2);
        QCOMPARE(out.content->days.at(1).movement->format(), QStringLiteral("-20,00"));
        QCOMPARE(out.content->balances.last()->format(), QStringLiteral("1.055,00"));
    }

    // One account chosen: its entries, its own opening balance and its legend
    // totals, but the day footers keep the movement of all accounts.
    void oneAccountListsItsEntriesWithEveryAccountsDayFooters()
    {
        ReportBook book;
        book.addEntry(QStringLiteral("2026-11-20"), QStringLiteral("08:00:00"), book.banco,
                      QStringLiteral("Depósito"), QStringLiteral("500,00"), QStringLiteral("0,00"));
        const auto out = book.report(kFirst, kThird, book.banco);
        QCOMPARE(texts(out, "Detail", "Field4"), items("Aluguel|Luz"));
        QCOMPARE(texts(out, "Detail", "txtSaldo"), items("470,00|450,00"));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"), items("70,00|-20,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"), items("Entradas - 0,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"), items("Saídas - 50,00"));
        QCOMPARE(out.document->chartData().rows.size(), 2);
    }

    // A period without entries still has its title band and a footer of zeros.
    void emptyPeriodHasTitleAndFooter()
    {
        ReportBook book;
        const auto out = book.report(QDate(2026, 10, 1), QDate(2026, 10, 31));
        QCOMPARE(sectionOrder(*out.document), QStringLiteral("ReportHeader|ReportFooter"));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"), items("Entradas - 0,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"), items("Saídas - 0,00"));
        QCOMPARE(out.document->chartData().title, QStringLiteral("01/10/2026 Até 31/10/2026"));
        QVERIFY(out.document->chartData().rows.isEmpty());
        QVERIFY(out.content->days.isEmpty());
    }

    void pageBreaksOnlyBeforeLaterDays_data()
    {
        QTest::addColumn<bool>("newPagePerDay");
        QTest::addColumn<QString>("dayPages"); // the page of each day's heading, from 0
        QTest::addColumn<int>("pageCount");
        // The closing band with the chart never fits under the days.
        QTest::newRow("continuous") << false << "0|0|0" << 2;
        QTest::newRow("a page per day") << true << "0|1|2" << 4;
    }
    // Never a break before the first day (it shares the title's page); before
    // every later day only with a page per day.
    void pageBreaksOnlyBeforeLaterDays()
    {
        QFETCH(bool, newPagePerDay);
        QFETCH(QString, dayPages);
        QFETCH(int, pageCount);
        ReportBook book;
        const auto out = book.report(kFirst, kThird, 0, newPagePerDay);
        const ReportDocument& doc = *out.document;
        QStringList pages;
        QList<bool> breaks;
        for (qsizetype i = 0; i < doc.bands().size(); ++i) {
            if (sectionOf(doc, i) == u"GroupHeader1") {
                pages.append(QString::number(doc.pageOfBand(i)));
                breaks.append(doc.bands().at(i).pageBreak);
            }
        }
        QCOMPARE(pages.join(u'|'), dayPages);
        QCOMPARE(breaks, (QList<bool>{false, newPagePerDay, newPagePerDay}));
        QCOMPARE(doc.pageCount(), pageCount);
    }

    // Over many pages no page ends with a day heading, no band runs past the
    // margin, and no control of the sheet lies outside it.
    void pagesKeepTheirBandsWithinTheMargins()
    {
        ReportBook book;
        for (int day = 0; day < 40; ++day) {
            const QString date = QDate(2027, 1, 1).addDays(day).toString(Qt::ISODate);
            for (int i = 0; i < 4; ++i)
                book.addEntry(date, QStringLiteral("10:0%1:00").arg(i), book.caixa,
                              QStringLiteral("x"), QStringLiteral("1,00"), std::nullopt);
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
        QCOMPARE(texts(out, "Detail", "txtSaldo").last(), QStringLiteral("1.262,00"));
        for (const ReportSection& s : d.sections) {
            for (const ReportControl& c : s.controls)
                QVERIFY2(c.rect.right() < d.contentRect().width() &&
                             c.line.x2() <= d.contentRect().width(),
                         qPrintable(c.name));
        }
    }

    // A description longer than its column wraps, and the lines below move down.
    void longTextsGrowTheirLine()
    {
        ReportBook book;
        const QString words =
            QStringLiteral("pagamento parcelado do fornecedor de bebidas ").repeated(8);
        book.addEntry(QStringLiteral("2026-12-03"), QStringLiteral("13:00:00"), book.caixa, words,
                      QStringLiteral("1,00"), std::nullopt);
        const auto out = book.report(kThird, kThird);
        QRectF shortLine;
        QRectF longLine;
        QList<double> rules;
        for (const DrawItem& item : out.document->pageItems(0)) {
            if (item.control->name == u"Field4")
                (item.text == words ? longLine : shortLine) = item.rect;
            if (item.control->name == u"Line3")
                rules.append(item.line.y1());
        }
        QCOMPARE(shortLine.height(), 270.0);
        QVERIFY(longLine.height() >= 3 * 190.0); // three lines at least
        QCOMPARE(rules.size(), 2);
        QVERIFY(rules.at(1) - rules.at(0) > 375 + longLine.height() - 270 - 1);
    }

    // A day per chart row: its "dd/MM/yy" label, its outs and ins; Qt Charts
    // draws the two series in their colours with the days written under the plot.
    void chartHasADayPerRow()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const ChartData& chart = out.document->chartData();
        QCOMPARE(chart.title, QStringLiteral("01/12/2026 Até 03/12/2026"));
        QStringList columns;
        for (const auto& column : chart.columns)
            columns.append(column.label + u' ' + column.colour.name());
        QCOMPARE(columns, items("Saídas #ff0000|Entradas #00ffff"));
        QStringList rows;
        for (const ChartData::Row& row : chart.rows)
            rows.append(row.label + u' ' + row.values.at(0).format() + u' ' +
                        row.values.at(1).format());
        QCOMPARE(rows, items("01/12/26 30,00 100,00|02/12/26 20,00 0,00|03/12/26 0,00 5,00"));

        QChart* drawn = out.document->chartRenderer().chart(QSizeF(16275, 9315));
        QCOMPARE(drawn->title(), chart.title);
        QCOMPARE(drawn->series().size(), 2);
        auto* outSeries = qobject_cast<QAreaSeries*>(drawn->series().at(0));
        QVERIFY(outSeries);
        QCOMPARE(outSeries->name(), QStringLiteral("Saídas"));
        QCOMPARE(outSeries->brush().color(), QColor(255, 0, 0));
        QCOMPARE(outSeries->upperSeries()->count(), 12); // four corners a bar
        QCOMPARE(outSeries->upperSeries()->at(1).y(), 30.0);
        QCOMPARE(out.document->chartRenderer().dayLabels(), items("01/12/26|02/12/26|03/12/26"));
        QList<QGraphicsSimpleTextItem*> written;
        for (QGraphicsItem* item : drawn->childItems()) {
            if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
                written.append(text);
        }
        QCOMPARE(written.size(), 3);
        QVERIFY(written.at(0)->pos().y() > drawn->plotArea().bottom());
        QVERIFY(written.at(0)->pos().x() < written.at(1)->pos().x());
    }

    // A year of days stays legible: labels thinned to about twenty pixels apart.
    void aYearOfDaysKeepsFewLabels()
    {
        QCOMPARE(ChartRenderer::labelStep(10, 995), 1);
        QVERIFY(ChartRenderer::labelStep(110, 995) > 1);
        const qsizetype step = ChartRenderer::labelStep(365, 995);
        QVERIFY(365 / step <= 995 / 20 && 365 / step >= 20);
    }

    // More days than any fixed-size table would hold, each with its chart row.
    void noLimitOnDays()
    {
        QList<CashBookEntry> entries;
        const QDate start(1950, 1, 1);
        constexpr int days = 35001;
        for (int i = 0; i < days; ++i)
            entries.append({start.addDays(i),
                            QTime(9, 0),
                            1,
                            QStringLiteral("CAIXA"),
                            {},
                            QStringLiteral("x"),
                            Money::fromUnits(20000),
                            std::nullopt});
        auto rows = std::make_shared<CashBookRows>();
        rows->setEntries(std::move(entries));
        ReportContext context;
        context.ReportPeriodText = ReportPeriod::text(start, start.addDays(days - 1));
        const auto out = dtrLivroCaixa::run(context, rows, QStringLiteral("Todas"));
        QCOMPARE(out.content->days.size(), qsizetype(days));
        QCOMPARE(out.document->chartData().rows.size(), qsizetype(days));
        QCOMPARE(out.document->chartData().rows.last().label, QStringLiteral("29/10/45"));
        QCOMPARE(out.content->balances.last()->format(), QStringLiteral("70.002,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"), items("Entradas - 70.002,00"));
    }
};

LIVRO_TEST(tst_CashBookReport)
#include "tst_CashBookReport.moc"
