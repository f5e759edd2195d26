#pragma once

#include <QObject>

namespace vesk {

/// Asks the kernel to back the heap's newest memory with huge pages, each
/// time the thread's event loop is about to wait and the heap has grown
/// since. Made once, on the GUI thread, after the application object.
///
/// On a virtual machine every fresh 4 KiB page costs several microseconds to
/// fault in, and the window's large blocks are fresh more often than not:
/// a mail page's view grown to its content's height faulted 1,200 pages in
/// one go, past a frame's time. A 2 MiB page is one fault for 512 of them.
/// The heap grows in steps kept well ahead of need (`keepFreedMemoryForReuse`),
/// so a step is advised while still untouched, before the blocks that use it;
/// a range something has touched already is left as it is.
/// Where the kernel gives huge pages to all memory or to none, asking changes
/// nothing.
class HeapGrowthAdvisor final : public QObject
{
    Q_OBJECT

public:
    explicit HeapGrowthAdvisor(QObject* parent = nullptr);

    /// Advises what the heap grew by since last time. Cheap when it did not
    /// grow: no system call.
    void adviseGrowth();

private:
    static void adviseRun(char* start, char* end);

    char* m_considered = nullptr; // whole huge pages below it were looked at
    char* m_seenEnd = nullptr;
};

} // namespace vesk
