#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

/// Files that hold the user's mail or what they did with it: folders 0700,
/// files 0600 whatever the umask, each file replaced whole.
struct PrivateFile
{
    /// Creates the folder (and its parents) if needed and makes it private.
    static bool makeFolder(const QString& path);
    /// Writes a temporary file beside `path` and renames it over `path` once
    /// it is on disk, so that a crash leaves either the old or the new file.
    static bool write(const QString& path, const QByteArray& bytes);
};

} // namespace vesk
