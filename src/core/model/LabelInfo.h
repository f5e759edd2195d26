#pragma once

#include <QString>

namespace vesk {

/// One Gmail label of an account, as Gmail lists it.
struct LabelInfo
{
    QString id;
    QString name;
    /// "system" for Gmail's own labels, "user" for the user's.
    QString type;
    qint64 messagesTotal = 0;
    qint64 messagesUnread = 0;

    friend bool operator==(const LabelInfo&, const LabelInfo&) = default;
};

} // namespace vesk
