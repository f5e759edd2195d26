#pragma once

#include "FileManagerReveal.h"

namespace vesk {

/// The production reveal: the freedesktop file-manager interface
/// (org.freedesktop.FileManager1.ShowItems) on the session bus, which
/// selects the file; where no file manager answers it, the containing folder
/// opened through QDesktopServices.
class DesktopFileManager final : public FileManagerReveal
{
public:
    void reveal(const QString& path) override;
};

} // namespace vesk
