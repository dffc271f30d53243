#pragma once

#include <QString>

// Who is logged in: "c" is the common level, "r" the restricted level.
struct UserInfo
{
    QString userName;
    QString userLevel = QStringLiteral("c");

    bool isRestricted() const { return userLevel == u"r"; }
};
