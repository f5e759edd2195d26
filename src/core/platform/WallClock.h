#pragma once

#include <QDateTime>

#include <functional>

namespace vesk {

/// The calendar time the core reads: token lifetimes, the cache's last sync,
/// a server's Retry-After date. Tests inject their own; the program uses the
/// system clock. (Waiting for quota uses the monotonic SyncClock instead.)
using WallClock = std::function<QDateTime()>;

inline WallClock systemWallClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

} // namespace vesk
