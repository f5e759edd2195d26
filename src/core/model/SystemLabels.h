#pragma once

#include <QString>

namespace vesk {

/// Gmail's system label ids that carry meaning throughout the program.
struct SystemLabels
{
    static QString inbox() { return QStringLiteral("INBOX"); }
    static QString unread() { return QStringLiteral("UNREAD"); }
    static QString starred() { return QStringLiteral("STARRED"); }
    static QString trash() { return QStringLiteral("TRASH"); }
    static QString sent() { return QStringLiteral("SENT"); }
    static QString draft() { return QStringLiteral("DRAFT"); }
    static QString spam() { return QStringLiteral("SPAM"); }
    static QString important() { return QStringLiteral("IMPORTANT"); }
};

} // namespace vesk
