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

QStringList texts(const dtrLivroCaixa::Output& out, const char* section, const char* control)
{
    return out.document->texts(QString::fromLatin1(section), QString::fromLatin1(control));
}

QStringList sectionOrder(const ReportDocument& doc)
{
    QStringList names;
    for (const Band& band : doc.bands())
        names.append(doc.definition().sections.at(band.section).name);
    return names;
}

QList<int> headerPages(const ReportDocument& doc)
{
    QList<int> pages;
    for (qsizetype i = 0; i < doc.bands().size(); ++i) {
        if (doc.definition().sections.at(doc.bands().at(i).section).name == u"GroupHeader1")
            pages.append(doc.pageOfBand(i));
    }
    return pages;
}

QList<bool> headerBreaks(const ReportDocument& doc)
{
    QList<bool> breaks;
    for (const Band& band : doc.bands()) {
        if (doc.definition().sections.at(band.section).name == u"GroupHeader1")
            breaks.append(band.pageBreak);
    }
    return breaks;
}

} // namespace

class tst_CashBookReport : public QObject
{
    Q_OBJECT

private slots:
    void daysInOrderWithRunningBalances()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const QString G = QStringLiteral("GroupHeader1"), D = QStringLiteral("Detail"),
                      F = QStringLiteral("GroupFooter1");
        QCOMPARE(sectionOrder(*out.document),
                 (QStringList{QStringLiteral("ReportHeader"), G, D, D, F, G, D, D, F, G, D, F,
                              QStringLiteral("ReportFooter")}));
        QCOMPARE(texts(out, "GroupHeader1", "txtSaldoData"),
                 (QStringList{QStringLiteral("01/12/2026"), QStringLiteral("02/12/2026"),
                              QStringLiteral("03/12/2026")}));
        // Within a day by time; the balance starts from the 1.000,00 before the period.
        QCOMPARE(texts(out, "Detail", "Field4"),
                 (QStringList{QStringLiteral("Aluguel"), QStringLiteral("Venda"),
                              QStringLiteral("Sem valor"), QStringLiteral("Luz"),
                              QStringLiteral("Conta apagada")}));
        QCOMPARE(texts(out, "Detail", "txtSaldo"),
                 (QStringList{QStringLiteral("970,00"), QStringLiteral("1.070,00"),
                              QStringLiteral("1.070,00"), QStringLiteral("1.050,00"),
                              QStringLiteral("1.055,00")}));
        QCOMPARE(texts(out, "Detail", "Field2").first(), QStringLiteral("08:00"));
        QCOMPARE(texts(out, "Detail", "txtData").last(), QStringLiteral("03/12/2026"));
        // An entry whose account is gone, or that has none, shows no account.
        QCOMPARE(
            texts(out, "Detail", "txtConta"),
            (QStringList{QStringLiteral("BANCO D'ÁVILA"), QStringLiteral("CAIXA"),
                         QStringLiteral("CAIXA"), QStringLiteral("BANCO D'ÁVILA"), QString()}));
        QCOMPARE(texts(out, "Detail", "Field7").at(3), QStringLiteral("NF 7"));
        // A zero prints as 0,00; a blank amount prints nothing and counts as zero.
        QCOMPARE(texts(out, "Detail", "txtEntrada"),
                 (QStringList{QStringLiteral("0,00"), QStringLiteral("100,00"), QString(),
                              QString(), QStringLiteral("5,00")}));
        QCOMPARE(texts(out, "Detail", "txtSaida").at(2), QString());
        QCOMPARE(texts(out, "GroupFooter1", "txtTituloSaldoData"),
                 (QStringList{QStringLiteral("Movimento do dia 01/12/2026. "),
                              QStringLiteral("Movimento do dia 02/12/2026. "),
                              QStringLiteral("Movimento do dia 03/12/2026. ")}));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"),
                 (QStringList{QStringLiteral("70,00"), QStringLiteral("-20,00"),
                              QStringLiteral("5,00")}));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"),
                 QStringList{QStringLiteral("Entradas - 105,00")});
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"),
                 QStringList{QStringLiteral("Saídas - 50,00")});
        QCOMPARE(texts(out, "ReportHeader", "Label1"),
                 QStringList{QStringLiteral("LIVRO DE CAIXA")});

        // The figures behind the pages, for the spreadsheet.
        QCOMPARE(out.content->openingBalance.format(), QStringLiteral("1.000,00"));
        QCOMPARE(out.content->days.size(), 3);
        QCOMPARE(out.content->days.at(1).firstRow, 2);
        QCOMPARE(out.content->days.at(1).rowCount, 2);
        QCOMPARE(out.content->days.at(1).movement->format(), QStringLiteral("-20,00"));
        QCOMPARE(out.content->balances.last()->format(), QStringLiteral("1.055,00"));
    }

    void chartHasADayPerRow()
    {
        ReportBook book;
        const auto out = book.report(kFirst, kThird);
        const ChartData& chart = out.document->chartData();
        QCOMPARE(chart.title, QStringLiteral("01/12/2026 Até 03/12/2026"));
        QCOMPARE(chart.columns.size(), 2);
        QCOMPARE(chart.columns.at(0).label, QStringLiteral("Saídas"));
        QCOMPARE(chart.columns.at(0).colour, QColor(255, 0, 0));
        QCOMPARE(chart.columns.at(1).label, QStringLiteral("Entradas"));
        QCOMPARE(chart.columns.at(1).colour, QColor(0, 255, 255));
        QCOMPARE(chart.rows.size(), 3);
        QStringList labels;
        QStringList outs;
        QStringList ins;
        for (const ChartData::Row& row : chart.rows) {
            labels.append(row.label);
            outs.append(row.values.at(0).format());
            ins.append(row.values.at(1).format());
        }
        QCOMPARE(labels, (QStringList{QStringLiteral("01/12/26"), QStringLiteral("02/12/26"),
                                      QStringLiteral("03/12/26")}));
        QCOMPARE(outs, (QStringList{QStringLiteral("30,00"), QStringLiteral("20,00"),
                                    QStringLiteral("0,00")}));
        QCOMPARE(ins, (QStringList{QStringLiteral("100,00"), QStringLiteral("0,00"),
                                   QStringLiteral("5,00")}));

        // Qt Charts draws it: two series in their colours over the days, the days labelled.
        QChart* drawn = out.document->chartRenderer().chart(QSizeF(16275, 9315));
        QCOMPARE(drawn->title(), chart.title);
        QCOMPARE(drawn->series().size(), 2);
        auto* outSeries = qobject_cast<QAreaSeries*>(drawn->series().at(0));
        QVERIFY(outSeries);
        QCOMPARE(outSeries->name(), QStringLiteral("Saídas"));
        QCOMPARE(outSeries->brush().color(), QColor(255, 0, 0));
        QCOMPARE(outSeries->upperSeries()->count(), 12); // four corners a bar
        QCOMPARE(outSeries->upperSeries()->at(1).y(), 30.0);
        QCOMPARE(drawn->axes(Qt::Horizontal).size(), 1);
        QCOMPARE(out.document->chartRenderer().dayLabels(), labels);
        // They are written under the plot, a day each.
        QList<QGraphicsSimpleTextItem*> written;
        for (QGraphicsItem* item : drawn->childItems()) {
            if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
                written.append(text);
        }
        QCOMPARE(written.size(), 3);
        QVERIFY(written.at(0)->pos().y() > drawn->plotArea().bottom());
        QVERIFY(written.at(0)->pos().x() < written.at(1)->pos().x());
    }

    void aYearOfDaysKeepsFewLabels()
    {
        QCOMPARE(ChartRenderer::labelStep(10, 995), 1);
        QVERIFY(ChartRenderer::labelStep(110, 995) > 1);
        const qsizetype step = ChartRenderer::labelStep(365, 995);
        QVERIFY(365 / step <= 995 / 20); // about twenty pixels a label at least
        QVERIFY(365 / step >= 20);       // and still a label every few days
    }

    void pageBreaksOnlyBeforeLaterDays()
    {
        ReportBook book;
        const auto continuous = book.report(kFirst, kThird, 0, false);
        QCOMPARE(headerBreaks(*continuous.document), (QList<bool>{false, false, false}));
        QCOMPARE(headerPages(*continuous.document), (QList<int>{0, 0, 0}));
        // The closing band with the chart does not fit under the days.
        QCOMPARE(continuous.document->pageCount(), 2);

        const auto perDay = book.report(kFirst, kThird, 0, true);
        QCOMPARE(headerBreaks(*perDay.document), (QList<bool>{false, true, true}));
        QCOMPARE(headerPages(*perDay.document), (QList<int>{0, 1, 2}));
        QCOMPARE(perDay.document->pageCount(), 4);
        // The title shares the first day's page.
        QCOMPARE(perDay.document->pageOfBand(0), 0);
    }

    void emptyPeriodHasTitleAndFooter()
    {
        ReportBook book;
        const auto out = book.report(QDate(2026, 10, 1), QDate(2026, 10, 31));
        QCOMPARE(sectionOrder(*out.document),
                 (QStringList{QStringLiteral("ReportHeader"), QStringLiteral("ReportFooter")}));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"),
                 QStringList{QStringLiteral("Entradas - 0,00")});
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"),
                 QStringList{QStringLiteral("Saídas - 0,00")});
        QVERIFY(out.document->chartData().rows.isEmpty());
        QCOMPARE(out.document->chartData().title, QStringLiteral("01/10/2026 Até 31/10/2026"));
        QVERIFY(out.document->pageCount() >= 1);
        QVERIFY(out.content->days.isEmpty());
    }

    void oneAccountListsItsEntriesWithEveryAccountsDayFooters()
    {
        ReportBook book;
        book.addEntry(QStringLiteral("2026-11-20"), QStringLiteral("08:00:00"), book.banco,
                      QStringLiteral("Depósito"), QStringLiteral("500,00"), QStringLiteral("0,00"));
        const auto out = book.report(kFirst, kThird, book.banco);
        QCOMPARE(texts(out, "Detail", "Field4"),
                 (QStringList{QStringLiteral("Aluguel"), QStringLiteral("Luz")}));
        // The opening balance is the account's own.
        QCOMPARE(texts(out, "Detail", "txtSaldo"),
                 (QStringList{QStringLiteral("470,00"), QStringLiteral("450,00")}));
        QCOMPARE(texts(out, "GroupFooter1", "txtSaldoDT"),
                 (QStringList{QStringLiteral("70,00"), QStringLiteral("-20,00")}));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"),
                 QStringList{QStringLiteral("Entradas - 0,00")});
        QCOMPARE(texts(out, "ReportFooter", "lblSaidas"),
                 QStringList{QStringLiteral("Saídas - 50,00")});
        QCOMPARE(out.document->chartData().rows.size(), 2);
    }

    void longTextsGrowTheirLine()
    {
        ReportBook book;
        const QString words =
            QStringLiteral("pagamento parcelado do fornecedor de bebidas ").repeated(8);
        book.addEntry(QStringLiteral("2026-12-03"), QStringLiteral("13:00:00"), book.caixa, words,
                      QStringLiteral("1,00"), std::nullopt);
        const auto out = book.report(kThird, kThird);
        const ReportDocument& doc = *out.document;
        const auto items = doc.pageItems(0);
        QRectF shortLine;
        QRectF longLine;
        QList<double> rules;
        for (const DrawItem& item : items) {
            if (item.control->name == u"Field4")
                (item.text == words ? longLine : shortLine) = item.rect;
            if (item.control->name == u"Line3")
                rules.append(item.line.y1());
        }
        QCOMPARE(shortLine.height(), 270.0);
        QVERIFY(longLine.height() >= 3 * 190.0); // three lines at least
        // The rule under the long entry moved down with it.
        QCOMPARE(rules.size(), 2);
        QVERIFY(rules.at(1) - rules.at(0) > 375 + longLine.height() - 270 - 1);
    }

    void dayHeadingsNeverEndAPage()
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
        QVERIFY(doc.pageCount() > 5);
        const int content = doc.definition().contentRect().bottom() + 1;
        for (const ReportPage& page : doc.pages()) {
            const PlacedBand& last = page.bands.last();
            const ReportSection& section =
                doc.definition().sections.at(doc.bands().at(last.band).section);
            QVERIFY(section.name != u"GroupHeader1");
            QVERIFY(last.top + section.height + last.growth <= content);
        }
        QCOMPARE(texts(out, "Detail", "txtSaldo").last(), QStringLiteral("1.262,00"));
    }

    // More days than any fixed-size table would hold, each with its label.
    void noLimitOnDays()
    {
        QList<CashBookEntry> entries;
        const QDate start(1950, 1, 1);
        constexpr int days = 35001;
        entries.reserve(days);
        for (int i = 0; i < days; ++i)
            entries.append(CashBookEntry{start.addDays(i),
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
        QCOMPARE(out.document->chartData().rows.last().label,
                 start.addDays(days - 1).toString(QStringLiteral("dd/MM/yy")));
        QCOMPARE(out.content->balances.last()->format(), QStringLiteral("70.002,00"));
        QCOMPARE(texts(out, "ReportFooter", "lblEntradas"),
                 QStringList{QStringLiteral("Entradas - 70.002,00")});
    }

    void periodChecks_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("problem");
        QTest::newRow("same day") << "05/12/2026"
                                  << "05/12/2026" << int(ReportPeriod::Problem::None);
        QTest::newRow("31 February") << "31/02/2026"
                                     << "05/12/2026" << int(ReportPeriod::Problem::InvalidFirst);
        QTest::newRow("blank first") << "__/__/____"
                                     << "05/12/2026" << int(ReportPeriod::Problem::InvalidFirst);
        QTest::newRow("both bad") << "32/01/2026"
                                  << "xx" << int(ReportPeriod::Problem::InvalidFirst);
        QTest::newRow("bad last") << "01/12/2026"
                                  << "01/13/2026" << int(ReportPeriod::Problem::InvalidLast);
        QTest::newRow("reversed") << "06/12/2026"
                                  << "05/12/2026" << int(ReportPeriod::Problem::FirstAfterLast);
    }
    void periodChecks()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(int, problem);
        QCOMPARE(int(ReportPeriod::check(first, last).problem), problem);
    }

    void definitionKeepsTheSheet()
    {
        const ReportDefinition d = CashBookDefinition::dtrLivroCaixa();
        QCOMPARE(d.title, QStringLiteral("Livro de caixa"));
        QVERIFY(d.paper.width() > d.paper.height()); // landscape
        for (const ReportSection& s : d.sections) {
            for (const ReportControl& c : s.controls)
                QVERIFY2(c.rect.right() < d.contentRect().width() &&
                             c.line.x2() <= d.contentRect().width(),
                         qPrintable(c.name));
        }
        QVERIFY(d.sections.at(d.sectionOf(ReportSection::Kind::ReportFooter)).height <=
                d.contentRect().height());
    }
};

LIVRO_TEST(tst_CashBookReport)
#include "tst_CashBookReport.moc"
