#pragma once

#include "AccountIdentity.h"
#include "AccountRegistryEntry.h"
#include "FullMessage.h"
#include "LabelInfo.h"
#include "MailStoreState.h"
#include "MessageSummary.h"
#include "StoredThread.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vesk {

class JsonWriter;

/// JSON encodings of the stored mail model: the account registry, the
/// per-account cache file and the conversations kept for reading offline.
///
/// Decoding is strict: every listed key is required and must have its JSON
/// type (integers must be integers, not strings or fractions), unknown keys
/// are ignored. On failure the decoders return nothing and, when asked, a
/// description naming the key path that failed, e.g.
/// "summaries.m1.labelIds[2]: expected a string".
namespace MailJson {

void write(JsonWriter& writer, const AccountIdentity& identity);
void write(JsonWriter& writer, const LabelInfo& label);
void write(JsonWriter& writer, const MessageSummary& summary);
void write(JsonWriter& writer, const FullMessage& message);

QByteArray encode(const AccountIdentity& identity);
QByteArray encode(const LabelInfo& label);
QByteArray encode(const MessageSummary& summary);
QByteArray encode(const FullMessage& message);
QByteArray encode(const StoredThread& thread);
QByteArray encodeRegistry(const QList<AccountRegistryEntry>& entries);
QByteArray encodeCache(const MailStoreState& state);

std::optional<AccountIdentity> decodeAccountIdentity(const QByteArray& json,
                                                     QString* error = nullptr);
std::optional<LabelInfo> decodeLabelInfo(const QByteArray& json, QString* error = nullptr);
std::optional<MessageSummary> decodeMessageSummary(const QByteArray& json,
                                                   QString* error = nullptr);
/// The optional texts and the date may be null (the date then reads back
/// invalid).
std::optional<FullMessage> decodeFullMessage(const QByteArray& json, QString* error = nullptr);
std::optional<StoredThread> decodeStoredThread(const QByteArray& json, QString* error = nullptr);
std::optional<QList<AccountRegistryEntry>> decodeRegistry(const QByteArray& json,
                                                          QString* error = nullptr);
/// Large caches decode without a copy when `json` has at least 64 bytes of
/// spare capacity after its end (see MailStore's file read). The text is
/// released as soon as it is parsed, before the summaries are built, which
/// lowers the peak memory of loading a large cache.
std::optional<MailStoreState> decodeCache(QByteArray json, QString* error = nullptr);

/// Seconds since 2001-01-01T00:00:00Z, the reference date of the cache file.
double secondsSinceReferenceDate(const QDateTime& time);
/// An invalid date for values too far from the reference date to be real.
QDateTime fromSecondsSinceReferenceDate(double seconds);

} // namespace MailJson

} // namespace vesk
