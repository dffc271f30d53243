#pragma once

#include "book/ReportRows.h"
#include "core/Status.h"
#include "core/TaskProgress.h"
#include "reports/ReportPdf.h"
#include "reports/dtrLivroCaixa.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

// A report made, or written to a file, on a thread of its own, so the window
// stays free to move, repaint and be told to stop. The thread reads the book
// on a connection of its own, in one short read transaction that ends before
// the layout starts. What it produces comes back on the thread that started
// it, through the callbacks.
class ReportTask final : public QObject
{
    Q_OBJECT

public:
    enum Stage { Reading, LayingOut, WritingPdf, WritingXlsx };

    struct PreviewRequest
    {
        QString bookPath;
        CashBookRequest rows;
        QString periodText;
        bool newPagePerDay = false;
        QString accountName;
    };
    struct Callbacks
    {
        // The balance before the period, once read.
        std::function<void(Money)> opened;
        // The document as soon as its first page is complete (it keeps
        // growing). A long report first gives a document of its first page
        // alone, then the whole one, whose first page is the same.
        std::function<void(std::shared_ptr<const ReportDocument>)> firstPage;
        // The end: the report complete (a preview), or the failure; a stop
        // asked for ends as a failure too.
        std::function<void(const Status&, const dtrLivroCaixa::Output&)> finished;
    };

    static std::unique_ptr<ReportTask> preview(const PreviewRequest& request, Callbacks callbacks);
    // The chart must have been drawn by the caller's thread (see ReportPdf).
    static std::unique_ptr<ReportTask> pdf(std::shared_ptr<const ReportDocument> document,
                                           ReportPdf::Chart chart, const QString& fileName,
                                           Callbacks callbacks);
    static std::unique_ptr<ReportTask> xlsx(std::shared_ptr<const CashBookContent> content,
                                            const QString& fileName, Callbacks callbacks);

    // Stops the thread (it checks often; a file it was writing is removed)
    // and waits for it.
    ~ReportTask() override;

    const TaskProgress& progress() const { return m_progress; }
    // Asks the thread to stop; finished() follows, with a failure.
    void cancel() { m_progress.cancel(); }
    bool isRunning() const { return m_running; }

private:
    explicit ReportTask(Callbacks callbacks);
    void start(std::function<void()> work);
    // Runs on the thread that made the task, if it still exists then.
    void post(std::function<void()> call);
    void runPreview(const PreviewRequest& request);

    Callbacks m_callbacks;
    TaskProgress m_progress;
    bool m_running = false;
    std::thread m_thread;
};
