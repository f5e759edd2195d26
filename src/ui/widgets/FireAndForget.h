#pragma once

#include <QCoroTask>

namespace vesk {

/// Runs `task` to its end without anyone waiting for it. Whatever it throws
/// is dropped here: an exception escaping a detached coroutine would end the
/// process, and the core reports its failures through its own error texts.
void fireAndForget(QCoro::Task<> task);

} // namespace vesk
