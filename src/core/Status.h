#pragma once

#include <QString>

// The outcome of a fallible operation: success, or a failure with a reason
// in Portuguese that a window can show to the user as it stands.
class [[nodiscard]] Status
{
public:
    static Status success() { return Status(); }
    static Status failure(const QString& reason)
    {
        return Status(reason.isEmpty() ? QStringLiteral("?") : reason);
    }

    bool ok() const { return m_reason.isEmpty(); }
    explicit operator bool() const { return ok(); }
    const QString& reason() const { return m_reason; }

private:
    Status() = default;
    explicit Status(const QString& reason) : m_reason(reason) {}
    QString m_reason;
};
