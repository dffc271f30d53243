#include "reports/ReportTask.h"

#include "core/DbConnection.h"
#include "reports/CashBookRows.h"
#include "reports/XlsxExport.h"

#include <QMetaObject>

namespace {
// The first rows are laid out a few at a time, so the first page shows at
// once; later steps are longer, each short enough to stop within a moment.
constexpr qsizetype kFirstStep = 256;
constexpr qsizetype kStep = 4096;
} // namespace

ReportTask::ReportTask(Callbacks callbacks) : m_callbacks(std::move(callbacks)) {}

ReportTask::~ReportTask()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void ReportTask::start(std::function<void()> work)
{
    m_running = true;
    m_thread = std::thread(std::move(work));
}

void ReportTask::post(std::function<void()> call)
{
    // Dropped, with the task, when the task goes first.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

std::unique_ptr<ReportTask> ReportTask::preview(const PreviewRequest& request, Callbacks callbacks)
{
    std::unique_ptr<ReportTask> task(new ReportTask(std::move(callbacks)));
    ReportTask* self = task.get();
    task->start([self, request] { self->runPreview(request); });
    return task;
}

void ReportTask::runPreview(const PreviewRequest& request)
{
    const auto finish = [this](const Status& status, const dtrLivroCaixa::Output& output) {
        post([this, status, output] {
            m_running = false;
            if (m_callbacks.finished)
                m_callbacks.finished(status, output);
        });
    };
    const auto show = [this](std::shared_ptr<const ReportDocument> document) {
        post([this, document] {
            if (m_callbacks.firstPage)
                m_callbacks.firstPage(document);
        });
    };
    const auto contextOf = [&request](Money opening) {
        return ReportContext{opening, request.periodText, request.newPagePerDay};
    };
    m_progress.startStage(Reading, 0);
    // A long period's first page is laid out from its first rows while the
    // rest are read: it is the same page the whole report will have.
    ReportInput::FirstPart firstPart;
    firstPart.entries = kFirstStep;
    firstPart.read = [&](ReportInput part) {
        const qsizetype count = part.rows.entries.size();
        CashBookLayout first(contextOf(part.openingBalance),
                             std::make_shared<CashBookRows>(std::move(part.rows)),
                             request.accountName);
        first.step(count - 1); // more rows follow: the report is not closed
        if (first.document()->pageCount() > 0)
            show(first.document());
    };
    Result<ReportInput> input = Status::failure(QString());
    {
        DbConnection db; // this thread's own, gone before the layout starts
        const Status opened = db.openForReading(request.bookPath);
        input = opened ? ReportInput::read(db, request.rows, &m_progress, firstPart)
                       : Result<ReportInput>(opened);
    }
    if (!input) {
        finish(m_progress.isCancelled() ? Status::failure(tr("O relatório foi cancelado."))
                                        : input.status(),
               {});
        return;
    }
    const Money opening = input->openingBalance;
    post([this, opening] {
        if (m_callbacks.opened)
            m_callbacks.opened(opening);
    });
    CashBookLayout layout(contextOf(opening),
                          std::make_shared<CashBookRows>(std::move(input->rows)),
                          request.accountName);
    m_progress.startStage(LayingOut, layout.rowCount());
    bool complete = false;
    bool shownWhole = false;
    for (qsizetype step = kFirstStep; !complete; step = kStep) {
        complete = layout.step(step);
        m_progress.setDone(layout.rowsDone());
        // The whole report's first page takes the place of the one shown
        // before (the same page), so the pages that follow can come.
        if (!shownWhole && (complete || layout.document()->pageCount() > 0)) {
            shownWhole = true;
            show(layout.document());
        }
        if (!complete && m_progress.isCancelled()) {
            finish(Status::failure(tr("O relatório foi cancelado.")), {});
            return;
        }
    }
    finish(Status::success(), layout.output());
    // What this thread still holds of the report goes after the window has
    // it, so the window's thread is the one to let it go last.
}

std::unique_ptr<ReportTask> ReportTask::pdf(std::shared_ptr<const ReportDocument> document,
                                            ReportPdf::Chart chart, const QString& fileName,
                                            Callbacks callbacks)
{
    std::unique_ptr<ReportTask> task(new ReportTask(std::move(callbacks)));
    ReportTask* self = task.get();
    task->m_progress.startStage(WritingPdf, document->pageCount());
    task->start([self, document, chart, fileName]() mutable {
        const Status written = ReportPdf::write(*document, chart, fileName, &self->m_progress);
        // Never the last to let the report go: it holds objects of the
        // window's thread.
        document.reset();
        self->post([self, written] {
            self->m_running = false;
            if (self->m_callbacks.finished)
                self->m_callbacks.finished(written, {});
        });
    });
    return task;
}

std::unique_ptr<ReportTask> ReportTask::xlsx(std::shared_ptr<const CashBookContent> content,
                                             const QString& fileName, Callbacks callbacks)
{
    std::unique_ptr<ReportTask> task(new ReportTask(std::move(callbacks)));
    ReportTask* self = task.get();
    task->m_progress.startStage(WritingXlsx, content->rows->rowCount());
    task->start([self, content, fileName]() mutable {
        const Status written = XlsxExport::write(*content, fileName, &self->m_progress);
        content.reset();
        self->post([self, written] {
            self->m_running = false;
            if (self->m_callbacks.finished)
                self->m_callbacks.finished(written, {});
        });
    });
    return task;
}
