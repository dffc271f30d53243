#pragma once

#include "core/Status.h"

#include <optional>
#include <utility>

// A value, or the failure that kept it from being made. The failure's reason
// is in Portuguese and can be shown to the user as it stands.
template <typename T> class [[nodiscard]] Result
{
public:
    // Made implicitly on purpose, so that a routine can "return value;" or
    // "return status;".
    // cppcheck-suppress noExplicitConstructor
    Result(T value) : m_value(std::move(value)), m_status(Status::success()) {}
    // A failed status; a successful one here would be a programming error.
    // cppcheck-suppress noExplicitConstructor
    Result(Status failure)
        : m_status(failure.ok() ? Status::failure(QStringLiteral("?")) : std::move(failure))
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const Status& status() const { return m_status; }
    const QString& reason() const { return m_status.reason(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    T& operator*() & { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }
    // The value as an optional, for callers to whom the reason does not matter.
    const std::optional<T>& optional() const { return m_value; }

private:
    std::optional<T> m_value;
    Status m_status;
};
