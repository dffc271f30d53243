#include "search/SearchWorker.h"

#include "core/DbConnection.h"

#include <QThread>

SearchWorker::SearchWorker(const QString& bookPath, RowsAnswer rows, CountAnswer count,
                           QObject* parent)
    : QObject(parent), m_bookPath(bookPath), m_rows(std::move(rows)), m_count(std::move(count))
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

SearchWorker::~SearchWorker()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_wake.wakeAll();
    }
    m_thread->wait();
}

quint64 SearchWorker::search(const SearchCriteria& criteria)
{
    const QMutexLocker lock(&m_mutex);
    m_pending = Request{++m_lastNumber, criteria};
    m_wake.wakeAll();
    return m_lastNumber;
}

std::optional<SearchWorker::Request> SearchWorker::nextRequest()
{
    const QMutexLocker lock(&m_mutex);
    while (!m_stopping && !m_pending)
        m_wake.wait(&m_mutex);
    if (m_stopping)
        return std::nullopt;
    return std::exchange(m_pending, std::nullopt);
}

bool SearchWorker::hasNewerRequest() const
{
    const QMutexLocker lock(&m_mutex);
    return m_pending.has_value() || m_stopping;
}

// The connection is made on the thread that uses it, as Qt requires.
void SearchWorker::run()
{
    DbConnection db;
    const Status opened = db.openForReading(m_bookPath);
    const EntrySearch search(db);
    while (const auto request = nextRequest()) {
        const quint64 number = request->number;
        const Result<QList<FoundEntry>> rows =
            opened ? search.find(request->criteria) : Result<QList<FoundEntry>>(opened);
        QMetaObject::invokeMethod(
            this, [this, number, rows] { m_rows(number, rows); }, Qt::QueuedConnection);
        if (!rows || rows->size() < EntrySearch::kFirstResults || hasNewerRequest())
            continue;
        const Result<qint64> total = search.count(request->criteria);
        QMetaObject::invokeMethod(
            this, [this, number, total] { m_count(number, total); }, Qt::QueuedConnection);
    }
}
