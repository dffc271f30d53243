#include "ReportWindow.h"
#include "TestMain.h"
#include "book/EntryStore.h"
#include "core/DayTotals.h"
#include "reports/CashBookRows.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTask.h"

#include <QProgressBar>

namespace {

// The report book with a long stretch of entries after it: enough to keep
// a report's thread at work for a while.
struct LongBook : ReportBook
{
    explicit LongBook(int entries)
    {
        exec(u"with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
             "insert into caixa (idconta, data, hora, descricao, entrada, saida) select "
             "1 + i % 2, date('2027-01-01', '+' || (i / 200) || ' days'), "
             "printf('%02d:%02d:00', 8 + (i / 60) % 10, i % 60), 'Venda número ' || i, "
             "100 * (i % 7), 30 * (i % 3) from n"_s,
             {entries - 1});
    }
};

// Every text on a page, in the order drawn.
QStringList pageTexts(const ReportDocument& document, int page)
{
    QStringList texts;
    for (const DrawItem& item : document.pageItems(page))
        texts.append(item.text);
    return texts;
}

} // namespace

// Reports made on a thread of their own: what comes back and when, the
// window meanwhile, stopping, and the book's writes going on.
class tst_ReportWork : public QObject
{
    Q_OBJECT

private slots:
    // A long period shows its first page, laid out from the first rows,
    // before the whole report; the whole report's first page is that same
    // page. The balance before the period comes with it, and the report
    // ends whole.
    void firstPageFirst()
    {
        LongBook book(3000);
        QStringList events;
        std::shared_ptr<const ReportDocument> first;
        std::shared_ptr<const ReportDocument> whole;
        dtrLivroCaixa::Output output;
        ReportTask::Callbacks callbacks;
        callbacks.opened = [&](Money opening) { events << u"saldo "_s + opening.format(); };
        callbacks.firstPage = [&](std::shared_ptr<const ReportDocument> document) {
            events << u"página"_s;
            (first ? whole : first) = std::move(document);
        };
        callbacks.finished = [&](const Status& status, const dtrLivroCaixa::Output& out) {
            events << (status ? u"fim"_s : status.reason());
            output = out;
        };
        const auto task = ReportTask::preview({book.bookPath(),
                                               {QDate(2027, 1, 1), QDate(2027, 1, 15), 0},
                                               u"período"_s,
                                               false,
                                               u"Todas"_s},
                                              callbacks);
        QTRY_VERIFY_WITH_TIMEOUT(!task->isRunning(), 60000);
        QCOMPARE(events, items("página|saldo 1.102,00|página|fim"));
        QVERIFY(!first->isComplete() && first->pageCount() >= 1);
        for (int page = 0; page < first->pageCount(); ++page)
            QCOMPARE(pageTexts(*whole, page), pageTexts(*first, page));
        QCOMPARE(output.document, whole);
        QVERIFY(whole->isComplete() && whole->pageCount() > 50);
        QCOMPARE(output.content->rows->rowCount(), qsizetype(3000));
    }

    // A report laid out a row at a time shows, at every step, only pages
    // that are already what the whole report will have: a day's heading
    // kept with its first line, and breaks before each day, come out the
    // same as when laid out at once.
    void pagesLaidOutInStepsStayTheSame()
    {
        LongBook book(150);
        const auto rows = std::make_shared<CashBookRows>(
            ReportRows::read(book.db, {QDate(2026, 12, 1), QDate(2027, 1, 1), 0}).value());
        for (const bool pagePerDay : {false, true}) {
            const ReportContext context{Money(), u"período"_s, pagePerDay};
            const auto whole = dtrLivroCaixa::run(context, rows, u"Todas"_s).document;
            CashBookLayout layout(context, rows, u"Todas"_s);
            int seen = 0;
            while (!layout.step(1)) {
                const ReportDocument& growing = *layout.document();
                QVERIFY(!growing.isComplete() && growing.pageCount() >= seen);
                seen = growing.pageCount();
                for (int page = 0; page < seen; ++page)
                    QCOMPARE(pageTexts(growing, page), pageTexts(*whole, page));
            }
            QCOMPARE(layout.document()->pageCount(), whole->pageCount());
            QVERIFY(whole->pageCount() > (pagePerDay ? 5 : 3));
        }
    }

    // While the report is made the window says what it does and offers to
    // stop; the exports wait, another preview may take its place. Stopped,
    // the preview keeps the report it showed, and nothing is said. An
    // export stopped leaves no file, finished or not, under any name.
    void stoppedPreviewKeepsTheReportShown()
    {
        LongBook book(20000);
        ReportWindow r(book);
        r.previewOf("01/12/2026", "03/12/2026");
        const auto shown = r.preview()->document();
        const CashBookContent* content = r.w.content();

        r.startPreview("01/01/2027", "31/12/2027");
        auto* progress = r.get<QLabel>("lblProgresso");
        QVERIFY(r.w.isWorking() && !progress->isHidden() && !progress->text().isEmpty());
        QVERIFY(!r.get<QProgressBar>("prog")->isHidden());
        QVERIFY(!r.get<QPushButton>("btnPDF")->isEnabled() &&
                !r.get<QPushButton>("btnXLS")->isEnabled());
        r.startPreview("01/01/2027", "30/06/2027"); // takes the place of the one under way
        auto* cancel = r.get<QPushButton>("btnCancelarExportacao");
        QVERIFY(r.w.isWorking() && !cancel->isHidden() && cancel->isEnabled());
        cancel->click();
        r.settle();
        QCOMPARE(r.preview()->document(), shown);
        QCOMPARE(r.w.content(), content);
        QCOMPARE(book.session.ReportPeriodText, u"01/01/2027 Até 30/06/2027"_s);
        QVERIFY(r.notice().isEmpty() && book.dialogs.shown.isEmpty());
        QVERIFY(cancel->isHidden() && progress->isHidden());
        QVERIFY(r.get<QPushButton>("btnPDF")->isEnabled());

        r.previewOf("01/01/2027", "31/12/2027");
        const QStringList before = filesIn(book.dir());
        for (const char* button : {"btnPDF", "btnXLS"}) {
            book.dialogs.fileNames = {book.dir() + u"/parado"_s};
            r.get<QPushButton>(button)->click();
            QVERIFY(r.w.isWorking());
            r.w.cancelWork();
            r.settle();
            QCOMPARE(filesIn(book.dir()), before);
        }
        QVERIFY(book.dialogs.shown.isEmpty());
    }

    // The book takes a save while a report is read and laid out, and while
    // it is written out; the report is one moment of the book, before or
    // after the save, never a mix.
    void saveWhileReportsAreMade()
    {
        LongBook book(20000);
        ReportWindow r(book);
        EntryStore store(book.db);
        r.startPreview("01/12/2026", "31/12/2027");
        QVERIFY(r.w.isWorking());
        const auto saved =
            store.save(0, {QDate(2027, 1, 1), QTime(7, 0), u"CAIXA"_s, QString(),
                           u"Venda durante o relatório"_s, Money::fromUnits(1230000), Money()});
        QVERIFY2(saved.ok(), qPrintable(saved.reason()));
        r.settle();
        const CashBookContent& content = *r.w.content();
        const QList<CashBookEntry>& entries = content.rows->entries();
        const bool withSale = std::any_of(entries.cbegin(), entries.cend(), [](const auto& e) {
            return e.descricao == u"Venda durante o relatório";
        });
        QCOMPARE(entries.size(), qsizetype(20007) + (withSale ? 1 : 0));
        // The day's footer was read in the same moment as its entries.
        const CashBookContent::Day& day = content.days.at(5); // after December's five days
        QCOMPARE(day.date, QDate(2027, 1, 1));
        Money in, out;
        for (qsizetype i = day.firstRow; i < day.firstRow + day.rowCount; ++i) {
            in = *in.plus(entries.at(i).entrada.value_or(Money()));
            out = *out.plus(entries.at(i).saida.value_or(Money()));
        }
        QCOMPARE(day.rowCount, qsizetype(200) + (withSale ? 1 : 0));
        QCOMPARE(day.movement, in.minus(out));

        book.dialogs.fileNames = {book.dir() + u"/durante.pdf"_s};
        r.get<QPushButton>("btnPDF")->click();
        QVERIFY(r.w.isWorking());
        QVERIFY(store.remove(*saved).ok());
        r.settle();
        QVERIFY(book.dialogs.shown.isEmpty());
        QCOMPARE(pdfPages(book.dir() + u"/durante.pdf"_s), r.preview()->pageCount());
        QCOMPARE(DayTotals::differences(book.db.database())->size(), 0);
    }
};

LIVRO_TEST(tst_ReportWork)
#include "tst_ReportWork.moc"
