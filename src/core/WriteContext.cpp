#include "core/WriteContext.h"

#include "core/Clock.h"

#include <QSysInfo>

namespace {
const SystemClock kSystemClock;
}

WriteContext::WriteContext() : m_clock(&kSystemClock), m_computer(thisComputer()) {}

WriteContext::WriteContext(const UserInfo& user, const Clock& clock)
    : m_user(&user), m_clock(&clock), m_computer(thisComputer())
{
}

QString WriteContext::userName() const
{
    return m_user ? m_user->userName : QString();
}

bool WriteContext::isRestricted() const
{
    return m_user && m_user->isRestricted();
}

QString WriteContext::thisComputer()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("?") : name;
}
