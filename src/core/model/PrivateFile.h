#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

/// Files that hold the user's mail: folders only the user may enter, files
/// only the user may read, each replaced whole or not at all.
namespace PrivateFile {

/// Makes `path` and its parents, and the folder itself private (0700).
/// Whether the folder exists afterwards.
bool makeFolder(const QString& path);

/// Replaces the file at `path` with `bytes`: written beside it and renamed
/// over it, so that a crash leaves the old file or the new one, never part
/// of either; mode 0600 whatever the umask. Whether the new file is in place.
bool write(const QString& path, const QByteArray& bytes);

} // namespace PrivateFile

} // namespace vesk
