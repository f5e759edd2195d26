#pragma once

#include "MailStoreState.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vesk {

/// The small record kept beside an account's cache of what the window shows
/// first: the labels with their counts, and the summaries of the inbox's
/// newest conversations with how far its list was loaded. Read at start, it
/// lets the window paint before the whole cache (which may hold a hundred
/// thousand summaries) is decoded; the cache stays the only truth, and a
/// record that is missing, damaged, stale or of another account only costs
/// that head start.
///
/// The file starts with a line naming its format and its account, followed by
/// the state in the cache file's own encoding. Pure functions; any thread.
namespace FirstScreen {

/// Conversations kept: a tall window shows about forty rows.
constexpr qsizetype threadCount = 100;

/// Where the record of the cache at `cacheFilePath` lives.
QString filePathBeside(const QString& cacheFilePath);

/// What the record keeps of `full`: every label, and of `labelId` the
/// summaries it lists of its newest threadCount conversations, so that those
/// rows group exactly as they do from the whole cache.
MailStoreState select(const MailStoreState& full, const QString& labelId);

QByteArray encode(const QString& accountEmail, const MailStoreState& screen);
/// None for bytes that are not a whole record of `accountEmail`.
std::optional<MailStoreState> decode(const QByteArray& bytes, const QString& accountEmail);
/// The record at `path`; none when it is missing or not one of `accountEmail`.
std::optional<MailStoreState> read(const QString& path, const QString& accountEmail);

} // namespace FirstScreen

} // namespace vesk
