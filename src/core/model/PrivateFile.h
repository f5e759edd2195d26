#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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

/// The whole file at `path`, followed by `padding` bytes of room that are
/// not part of it (the buffer's size is the file's); nothing when it cannot
/// be opened or ends before its size said.
std::optional<QByteArray> read(const QString& path, qsizetype padding = 0);

} // namespace PrivateFile

} // namespace vesk
