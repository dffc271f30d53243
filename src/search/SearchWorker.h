#pragma once

#include "book/EntrySearch.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

class QThread;

// Runs the searches of one window on a thread and a connection of its own,
// so typing never waits for the book. Only the latest request matters: a
// new one replaces any still waiting, and the answers carry the number of
// their request so the window can drop those it has replaced. Answers come
// back on the window's thread.
class SearchWorker final : public QObject
{
    Q_OBJECT

public:
    using RowsAnswer = std::function<void(quint64, const Result<QList<FoundEntry>>&)>;
    using CountAnswer = std::function<void(quint64, const Result<qint64>&)>;

    // The book at bookPath must be open and checked by the program already.
    SearchWorker(const QString& bookPath, RowsAnswer rows, CountAnswer count,
                 QObject* parent = nullptr);
    // Waits for a search under way to end.
    ~SearchWorker() override;

    // The request's number. The first results come first; the count, when
    // there are more of them, after.
    quint64 search(const SearchCriteria& criteria);

private:
    struct Request
    {
        quint64 number = 0;
        SearchCriteria criteria;
    };
    void run();
    std::optional<Request> nextRequest();
    bool hasNewerRequest() const;

    QString m_bookPath;
    RowsAnswer m_rows;
    CountAnswer m_count;
    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    std::optional<Request> m_pending;
    quint64 m_lastNumber = 0;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};
