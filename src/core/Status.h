#pragma once

#include <QString>

// The outcome of a fallible operation: success, or a failure with a reason
// in Portuguese that a window can show to the user as it stands.
class [[nodiscard]] Status
{
public:
    // Failures a shopkeeper can be told in plain words (FailureText); the
    // reason then holds the technical text.
    // ServerLost: a server book's server did not answer or the connection
    // dropped; Conflict: the server undid the transaction because another
    // desk's write crossed it (it may simply be run again).
    enum class Cause {
        Other,
        DiskFull,
        ReadOnly,
        Busy,
        DiskError,
        Damaged,
        TooLarge,
        ServerLost,
        Conflict
    };

    static Status success() { return Status(); }
    static Status failure(const QString& reason, Cause cause = Cause::Other)
    {
        return Status(reason.isEmpty() ? QStringLiteral("?") : reason, cause);
    }

    bool ok() const { return m_reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
    const QString& reason() const { return m_reason; }
    Cause cause() const { return m_cause; }

private:
    Status() = default;
    Status(const QString& reason, Cause cause) : m_reason(reason), m_cause(cause) {}
    QString m_reason;
    Cause m_cause = Cause::Other;
};
