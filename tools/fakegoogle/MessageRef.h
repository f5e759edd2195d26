#pragma once

#include <QString>

namespace vesk::fakegoogle {

// The ids under which Gmail filed a message.
struct MessageRef
{
    QString id;
    QString threadId;
    bool isValid() const { return !id.isEmpty(); }
};

} // namespace vesk::fakegoogle
