#pragma once

class QString;

namespace vesk {

/// Shows a saved file in the user's file manager with the file selected,
/// without waiting for it. The transfers panel reveals finished downloads
/// through it; tests record what was asked.
class FileManagerReveal
{
public:
    virtual ~FileManagerReveal() = default;
    /// Called on the GUI thread with the absolute path of an existing file.
    virtual void reveal(const QString& path) = 0;
};

} // namespace vesk
