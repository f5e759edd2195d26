#pragma once

#include <cstddef>

namespace vesk {

/// How the program's heap treats memory it frees. Called once, first thing
/// in `main`, before any thread starts.
///
/// The allocator's defaults hand every large block (a window's backing
/// store, a web view's image, a message being encoded) back to the kernel
/// the moment it is freed, and fault the next one in page by page. On a
/// virtual machine a page fault costs several microseconds: resizing a mail
/// page's view stalled the window for 20 ms, and building a message with
/// attachments ran at a sixth of its speed, both mostly in the kernel.
/// Blocks up to 48 MiB now come from the heap and go back to it, which keeps
/// up to 64 MiB free at its top for the next one, and grows in steps of
/// that size.
void keepFreedMemoryForReuse();

/// Hands the heap's free memory back to the system, every thread's part of
/// it. For after a one-off peak, such as decoding a mail cache, so that what
/// the peak left free is not kept for good.
void returnFreeMemory();

/// Faults in, ahead of use, the first `bytes` of the heap's free top, at
/// most `step` of them in this call, and says how many are left to do (0
/// once they are in memory, or where the system cannot say or do it).
///
/// A large block taken from memory the process never touched costs the
/// thread that first writes it a page fault per page, and on a virtual
/// machine each is slow: a mail page's view grown to its content's height
/// takes two images of its whole size at once, 20 ms of faults on the
/// window's thread. Done a step per turn of the event loop beforehand, the
/// same faults never add up to a stall. Contents are left as they are.
std::size_t faultInHeapTop(std::size_t bytes, std::size_t step);

} // namespace vesk
