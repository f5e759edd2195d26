#pragma once

#include <QString>

namespace vesk::fakegoogle {

struct StoredLabel
{
    QString id;
    QString name;
    bool isSystem = false;
    QString labelListVisibility;   // empty: not sent
    QString messageListVisibility; // empty: not sent
};

} // namespace vesk::fakegoogle
