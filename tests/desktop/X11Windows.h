#pragma once

#include <QtGlobal>

#include <cstdint>
#include <optional>

namespace vesk::test {

/// What the X server shows, read straight from it: the tests that start our
/// programs as separate processes see their windows only this way. Needs the
/// test to run on the xcb platform (an Xvfb display).
class X11Windows final
{
public:
    /// The top-most mapped top-level window of process `pid`, if any.
    static std::optional<std::uint32_t> topWindowOf(qint64 pid);
    /// Position among the root's children, bottom first; -1 when absent.
    static int stackingIndex(std::uint32_t window);
};

} // namespace vesk::test
