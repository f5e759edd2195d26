#pragma once

#include <QDateTime>

#include <functional>

namespace vesk {

/// The time the authentication code reads: token lifetimes are counted from
/// it and compared against it. Tests inject their own; the program uses the
/// system clock.
using AuthClock = std::function<QDateTime()>;

inline AuthClock systemAuthClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

} // namespace vesk
