#pragma once

#include "core/UserInfo.h"

#include <QString>

class Clock;

// Who changes the book, from which computer, and the clock that dates the
// change on a file book: what the change log records beside every change.
// The connection that writes carries one (each session sets it up over its
// logged-in user and its clock), so every write of the book layer signs its
// change without being told. The user is read at each write: a login takes
// effect at once.
class WriteContext
{
public:
    // Nobody logged in, this computer, the system's clock: a connection
    // outside any session (the command line, a tool).
    WriteContext();
    WriteContext(const UserInfo& user, const Clock& clock);

    // The login name; empty when login is off.
    QString userName() const;
    bool isRestricted() const;
    const QString& computer() const { return m_computer; }
    const Clock& clock() const { return *m_clock; }

    // This computer's name on the network, as the change log records it.
    static QString thisComputer();

private:
    const UserInfo* m_user = nullptr;
    const Clock* m_clock;
    QString m_computer;
};
