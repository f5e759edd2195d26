#pragma once

class QWidget;

/// Top-level windows built on a plain QWidget are read by assistive
/// technology as a "filler", which screen readers do not offer as a window
/// to switch to. Marked here, such a window reads as one. GUI thread only.
namespace vesk::AccessibleWindow {

/// Makes `window` read as a window; call before it is first shown.
void mark(QWidget* window);

} // namespace vesk::AccessibleWindow
