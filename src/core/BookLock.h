#pragma once

#include "core/Status.h"

#include <QDateTime>
#include <QLockFile>
#include <QString>

// One program at a time on a file book: a lock file beside the book
// ("bd.mdb.lock") says who holds it. Reading without writing needs no lock,
// so the lock is taken apart from opening the connection.
class BookLock
{
public:
    // Who holds the book, as far as the lock file tells.
    struct Holder
    {
        QString user;     // the operating-system user
        QString computer; // the computer's name
        QDateTime since;  // when the lock was taken
        bool onThisComputer = false;
        bool known = false; // false when the lock file cannot be read
    };

    enum class Outcome {
        Taken,
        // Another program holds the book: on this computer (a program that
        // is running), or on another one (a book in a network folder), where
        // nobody here can tell whether that program still runs.
        HeldHere,
        HeldElsewhere,
        Failed,
    };

    explicit BookLock(const QString& bookPath);
    ~BookLock();
    BookLock(const BookLock&) = delete;
    BookLock& operator=(const BookLock&) = delete;

    static QString lockPath(const QString& bookPath);
    const QString& bookPath() const { return m_bookPath; }

    // Takes the lock. The lock of a program on this computer that no longer
    // runs (a crash, a power cut) is taken over without asking.
    Outcome take();
    // Takes over the lock of another computer, once the user has said that
    // the program there is no longer running.
    Outcome takeOver();

    bool isTaken() const { return m_lock.isLocked(); }
    // After HeldHere or HeldElsewhere.
    const Holder& holder() const { return m_holder; }
    // After Failed: why the lock could not be made.
    const QString& failure() const { return m_failure; }

    // What the user is told about a book someone else holds.
    static QString heldText(const QString& bookPath, const Holder& holder);
    static QString takeOverQuestion(const QString& bookPath, const Holder& holder);

private:
    Outcome afterAttempt(bool taken);
    void readHolder();

    QString m_bookPath;
    QLockFile m_lock;
    Holder m_holder;
    QString m_failure;
};
