#include "MailJson.h"

#include "AccountRegistryEntry.h"
#include "LabelInfo.h"
#include "MailStoreState.h"
#include "MessageSummary.h"
#include "json/JsonWriter.h"

#include <QTimeZone>

#include <cmath>

namespace vesk::MailJson {

namespace {

// 2001-01-01T00:00:00Z in milliseconds since the Unix epoch.
constexpr qint64 referenceDateMs = 978307200000LL;

template <typename T>
QByteArray encodeOne(const T& value)
{
    QByteArray out;
    JsonWriter writer(out);
    write(writer, value);
    return out;
}

} // namespace

void write(JsonWriter& writer, const AccountIdentity& identity)
{
    writer.beginObject();
    writer.key("email");
    writer.value(identity.email);
    writer.key("name");
    writer.value(identity.name);
    writer.endObject();
}

void write(JsonWriter& writer, const LabelInfo& label)
{
    writer.beginObject();
    writer.key("id");
    writer.value(label.id);
    writer.key("name");
    writer.value(label.name);
    writer.key("type");
    writer.value(label.type);
    writer.key("messagesTotal");
    writer.value(label.messagesTotal);
    writer.key("messagesUnread");
    writer.value(label.messagesUnread);
    writer.endObject();
}

void write(JsonWriter& writer, const MessageSummary& summary)
{
    writer.beginObject();
    writer.key("id");
    writer.value(summary.id());
    writer.key("threadId");
    writer.value(summary.threadId());
    writer.key("labelIds");
    writer.beginArray();
    for (const QString& label : summary.labelIds())
        writer.value(label);
    writer.endArray();
    writer.key("snippet");
    writer.value(summary.snippet());
    writer.key("fromName");
    writer.value(summary.fromName());
    writer.key("fromEmail");
    writer.value(summary.fromEmail());
    writer.key("subject");
    writer.value(summary.subject());
    writer.key("internalDateMs");
    writer.value(summary.internalDateMs());
    // Only mail the account sent has recipients kept; the rest stays as small as before.
    if (!summary.recipients().isEmpty()) {
        writer.key("recipients");
        writer.value(summary.recipients());
    }
    writer.endObject();
}

namespace {

void writeOptional(JsonWriter& writer, std::string_view key, const std::optional<QString>& text)
{
    writer.key(key);
    if (text)
        writer.value(*text);
    else
        writer.null();
}

void write(JsonWriter& writer, const AttachmentInfo& attachment)
{
    writer.beginObject();
    writer.key("messageId");
    writer.value(attachment.messageId);
    writer.key("attachmentId");
    writer.value(attachment.attachmentId);
    writer.key("filename");
    writer.value(attachment.filename);
    writer.key("mimeType");
    writer.value(attachment.mimeType);
    writer.key("size");
    writer.value(attachment.size);
    writer.endObject();
}

} // namespace

void write(JsonWriter& writer, const FullMessage& message)
{
    writer.beginObject();
    writer.key("id");
    writer.value(message.id);
    writer.key("threadId");
    writer.value(message.threadId);
    writer.key("labelIds");
    writer.beginArray();
    for (const QString& label : message.labelIds)
        writer.value(label);
    writer.endArray();
    writer.key("fromName");
    writer.value(message.fromName);
    writer.key("fromEmail");
    writer.value(message.fromEmail);
    writer.key("to");
    writer.value(message.to);
    writer.key("cc");
    writer.value(message.cc);
    writer.key("subject");
    writer.value(message.subject);
    // Milliseconds, as Gmail's internal date: the instant survives exactly.
    writer.key("dateMs");
    if (message.date.isValid())
        writer.value(message.date.toMSecsSinceEpoch());
    else
        writer.null();
    writer.key("snippet");
    writer.value(message.snippet);
    writeOptional(writer, "plainText", message.plainText);
    writeOptional(writer, "html", message.html);
    writer.key("attachments");
    writer.beginArray();
    for (const AttachmentInfo& attachment : message.attachments)
        write(writer, attachment);
    writer.endArray();
    writeOptional(writer, "messageIdHeader", message.messageIdHeader);
    writeOptional(writer, "references", message.references);
    writer.endObject();
}

QByteArray encode(const FullMessage& message)
{
    return encodeOne(message);
}

QByteArray encode(const StoredThread& thread)
{
    QByteArray out;
    JsonWriter writer(out);
    writer.beginObject();
    writer.key("threadId");
    writer.value(thread.threadId);
    writer.key("messages");
    writer.beginArray();
    for (const FullMessage& message : thread.messages)
        write(writer, message);
    writer.endArray();
    writer.endObject();
    return out;
}

QByteArray encode(const AccountIdentity& identity)
{
    return encodeOne(identity);
}

QByteArray encode(const LabelInfo& label)
{
    return encodeOne(label);
}

QByteArray encode(const MessageSummary& summary)
{
    return encodeOne(summary);
}

QByteArray encodeRegistry(const QList<AccountRegistryEntry>& entries)
{
    QByteArray out;
    JsonWriter writer(out);
    writer.beginArray();
    for (const AccountRegistryEntry& entry : entries) {
        writer.beginObject();
        writer.key("identity");
        write(writer, entry.identity);
        writer.key("notificationsEnabled");
        writer.value(entry.notificationsEnabled);
        writer.endObject();
    }
    writer.endArray();
    return out;
}

QByteArray encodeCache(const MailStoreState& state)
{
    QByteArray out;
    // A summary takes about half a kilobyte; reserving avoids most regrowth.
    out.reserve(1024 + state.summaries.size() * 600);
    JsonWriter writer(out);
    writer.beginObject();
    writer.key("historyId");
    writer.value(state.historyId);
    writer.key("summaries");
    writer.beginObject();
    for (const MessageSummary& summary : state.summaries) {
        writer.key(summary.id());
        write(writer, summary);
    }
    writer.endObject();
    writer.key("labels");
    writer.beginArray();
    for (const LabelInfo& label : state.labels)
        write(writer, label);
    writer.endArray();
    writer.key("loadedLabels");
    writer.beginArray();
    for (const QString& label : state.loadedLabels)
        writer.value(label);
    writer.endArray();
    writer.key("labelPages");
    writer.beginObject();
    for (auto it = state.labelPages.cbegin(); it != state.labelPages.cend(); ++it) {
        writer.key(it.key());
        writer.beginObject();
        writer.key("depth");
        writer.value(qint64(it->depth));
        writer.key("nextPageToken");
        writer.value(it->nextPageToken);
        writer.key("complete");
        writer.value(it->complete);
        writer.endObject();
    }
    writer.endObject();
    if (state.lastSync) {
        writer.key("lastSync");
        writer.value(secondsSinceReferenceDate(*state.lastSync));
    }
    writer.endObject();
    return out;
}

double secondsSinceReferenceDate(const QDateTime& time)
{
    return double(time.toMSecsSinceEpoch() - referenceDateMs) / 1000.0;
}

QDateTime fromSecondsSinceReferenceDate(double seconds)
{
    // About 300,000 years either way; beyond that a value is garbage, and
    // converting it to an integer would overflow.
    if (!std::isfinite(seconds) || std::abs(seconds) > 1e13)
        return {};
    const double ms = std::round(seconds * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(ms), Qt::UTC);
}

} // namespace vesk::MailJson
