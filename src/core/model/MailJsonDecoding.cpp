// The strict decoders of MailJson. The cache can hold a hundred thousand
// summaries and is read at every start, hence simdjson underneath.

#include "AccountRegistryEntry.h"
#include "FullMessage.h"
#include "LabelInfo.h"
#include "MailJson.h"
#include "MailStoreState.h"
#include "MessageSummary.h"
#include "StoredThread.h"
#include "json/JsonReading.h"
#include "json/ParsedPrefixRelease.h"

#include <string>
#include <utility>
#include <vector>

namespace vesk::MailJson {

namespace {

using namespace vesk::json;

/// Label ids repeat across every summary of an account; sharing one buffer
/// per distinct id keeps a large cache markedly smaller in memory.
class LabelInterner
{
public:
    QString intern(std::string_view id)
    {
        for (const auto& [bytes, text] : m_seen) {
            if (bytes == id)
                return text;
        }
        QString text = toQString(id);
        if (m_seen.size() < 512)
            m_seen.emplace_back(std::string(id), text);
        return text;
    }

private:
    std::vector<std::pair<std::string, QString>> m_seen;
};

bool decode(dom::element value, AccountIdentity& out, Failure& failure)
{
    RequiredKeys<2> required({"email", "name"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "email") {
                                 required.see(0);
                                 return stringMember(member, key, out.email, failure);
                             }
                             if (key == "name") {
                                 required.see(1);
                                 return stringMember(member, key, out.name, failure);
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, LabelInfo& out, Failure& failure)
{
    RequiredKeys<5> required({"id", "name", "type", "messagesTotal", "messagesUnread"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id") {
                                 required.see(0);
                                 return stringMember(member, key, out.id, failure);
                             }
                             if (key == "name") {
                                 required.see(1);
                                 return stringMember(member, key, out.name, failure);
                             }
                             if (key == "type") {
                                 required.see(2);
                                 return stringMember(member, key, out.type, failure);
                             }
                             if (key == "messagesTotal") {
                                 required.see(3);
                                 return integerMember(member, key, out.messagesTotal, failure);
                             }
                             if (key == "messagesUnread") {
                                 required.see(4);
                                 return integerMember(member, key, out.messagesUnread, failure);
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

bool decodeLabelIds(dom::element value, QStringList& out, LabelInterner& labels, Failure& failure)
{
    out.clear();
    const bool ok = forEachElement(value, failure, [&](size_t index, dom::element element) {
        std::string_view id;
        if (element.get_string().get(id))
            return failure.fail(indexSegment(index), "expected a string");
        out.append(labels.intern(id));
        return true;
    });
    return ok || failure.within("labelIds");
}

bool decode(dom::element value, MessageSummary& out, LabelInterner& labels, Failure& failure)
{
    MessageSummaryData f;
    RequiredKeys<8> required({"id", "threadId", "labelIds", "snippet", "fromName", "fromEmail",
                              "subject", "internalDateMs"});
    const bool ok = forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "id") {
            required.see(0);
            return stringMember(member, key, f.id, failure);
        }
        if (key == "threadId") {
            required.see(1);
            return stringMember(member, key, f.threadId, failure);
        }
        if (key == "labelIds") {
            required.see(2);
            return decodeLabelIds(member, f.labelIds, labels, failure);
        }
        if (key == "snippet") {
            required.see(3);
            return stringMember(member, key, f.snippet, failure);
        }
        if (key == "fromName") {
            required.see(4);
            return stringMember(member, key, f.fromName, failure);
        }
        if (key == "fromEmail") {
            required.see(5);
            return stringMember(member, key, f.fromEmail, failure);
        }
        if (key == "subject") {
            required.see(6);
            return stringMember(member, key, f.subject, failure);
        }
        if (key == "internalDateMs") {
            required.see(7);
            return integerMember(member, key, f.internalDateMs, failure);
        }
        // Caches written before recipients were kept have none: optional.
        if (key == "recipients")
            return stringMember(member, key, f.recipients, failure);
        return true;
    });
    if (!ok || !required.complete(failure))
        return false;
    // A thread's first message usually has the thread's id; share the buffer.
    if (f.threadId == f.id)
        f.threadId = f.id;
    out = MessageSummary(std::move(f.id), std::move(f.threadId), std::move(f.labelIds),
                         std::move(f.snippet), std::move(f.fromName), std::move(f.fromEmail),
                         std::move(f.subject), f.internalDateMs);
    if (!f.recipients.isEmpty())
        out.setRecipients(std::move(f.recipients));
    return true;
}

bool optionalStringMember(dom::element value, std::string_view key, std::optional<QString>& out,
                          Failure& failure)
{
    if (value.is_null()) {
        out.reset();
        return true;
    }
    QString text;
    if (!readString(value, text))
        return failure.fail(key, "expected a string or null");
    out = std::move(text);
    return true;
}

bool decode(dom::element value, AttachmentInfo& out, Failure& failure)
{
    RequiredKeys<5> required({"messageId", "attachmentId", "filename", "mimeType", "size"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "messageId") {
                                 required.see(0);
                                 return stringMember(member, key, out.messageId, failure);
                             }
                             if (key == "attachmentId") {
                                 required.see(1);
                                 return stringMember(member, key, out.attachmentId, failure);
                             }
                             if (key == "filename") {
                                 required.see(2);
                                 return stringMember(member, key, out.filename, failure);
                             }
                             if (key == "mimeType") {
                                 required.see(3);
                                 return stringMember(member, key, out.mimeType, failure);
                             }
                             if (key == "size") {
                                 required.see(4);
                                 return integerMember(member, key, out.size, failure);
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

bool decodeAttachments(dom::element value, QList<AttachmentInfo>& out, Failure& failure)
{
    const bool ok = forEachElement(value, failure, [&](size_t index, dom::element element) {
        AttachmentInfo attachment;
        if (!decode(element, attachment, failure))
            return failure.within(indexSegment(index));
        out.append(std::move(attachment));
        return true;
    });
    return ok || failure.within("attachments");
}

bool decodeDate(dom::element value, QDateTime& out, Failure& failure)
{
    if (value.is_null()) {
        out = QDateTime();
        return true;
    }
    qint64 ms = 0;
    if (!readInteger(value, ms))
        return failure.fail("dateMs", "expected an integer or null");
    out = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return true;
}

bool decode(dom::element value, FullMessage& out, LabelInterner& labels, Failure& failure)
{
    RequiredKeys<15> required({"id", "threadId", "labelIds", "fromName", "fromEmail", "to", "cc",
                               "subject", "dateMs", "snippet", "plainText", "html", "attachments",
                               "messageIdHeader", "references"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id") {
                                 required.see(0);
                                 return stringMember(member, key, out.id, failure);
                             }
                             if (key == "threadId") {
                                 required.see(1);
                                 return stringMember(member, key, out.threadId, failure);
                             }
                             if (key == "labelIds") {
                                 required.see(2);
                                 return decodeLabelIds(member, out.labelIds, labels, failure);
                             }
                             if (key == "fromName") {
                                 required.see(3);
                                 return stringMember(member, key, out.fromName, failure);
                             }
                             if (key == "fromEmail") {
                                 required.see(4);
                                 return stringMember(member, key, out.fromEmail, failure);
                             }
                             if (key == "to") {
                                 required.see(5);
                                 return stringMember(member, key, out.to, failure);
                             }
                             if (key == "cc") {
                                 required.see(6);
                                 return stringMember(member, key, out.cc, failure);
                             }
                             if (key == "subject") {
                                 required.see(7);
                                 return stringMember(member, key, out.subject, failure);
                             }
                             if (key == "dateMs") {
                                 required.see(8);
                                 return decodeDate(member, out.date, failure);
                             }
                             if (key == "snippet") {
                                 required.see(9);
                                 return stringMember(member, key, out.snippet, failure);
                             }
                             if (key == "plainText") {
                                 required.see(10);
                                 return optionalStringMember(member, key, out.plainText, failure);
                             }
                             if (key == "html") {
                                 required.see(11);
                                 return optionalStringMember(member, key, out.html, failure);
                             }
                             if (key == "attachments") {
                                 required.see(12);
                                 out.attachments.clear();
                                 return decodeAttachments(member, out.attachments, failure);
                             }
                             if (key == "messageIdHeader") {
                                 required.see(13);
                                 return optionalStringMember(member, key, out.messageIdHeader,
                                                             failure);
                             }
                             if (key == "references") {
                                 required.see(14);
                                 return optionalStringMember(member, key, out.references, failure);
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, StoredThread& out, Failure& failure)
{
    LabelInterner labels;
    RequiredKeys<2> required({"threadId", "messages"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "threadId") {
                                 required.see(0);
                                 return stringMember(member, key, out.threadId, failure);
                             }
                             if (key != "messages")
                                 return true;
                             required.see(1);
                             out.messages.clear();
                             const bool ok = forEachElement(
                                 member, failure, [&](size_t index, dom::element element) {
                                     FullMessage message;
                                     if (!decode(element, message, labels, failure))
                                         return failure.within(indexSegment(index));
                                     out.messages.append(std::move(message));
                                     return true;
                                 });
                             return ok || failure.within(key);
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, AccountRegistryEntry& out, Failure& failure)
{
    RequiredKeys<2> required({"identity", "notificationsEnabled"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "identity") {
                                 required.see(0);
                                 return decode(member, out.identity, failure) ||
                                        failure.within(key);
                             }
                             if (key == "notificationsEnabled") {
                                 required.see(1);
                                 return !member.get_bool().get(out.notificationsEnabled) ||
                                        failure.fail(key, "expected a boolean");
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

// Every this many summaries, the parsed text of those before goes back to
// the system; often enough to keep little of it, rarely enough to cost
// nothing.
constexpr size_t s_releaseEvery = 256;

bool decodeSummaries(dom::element value, SummaryTable& out, Failure& failure,
                     ParsedPrefixRelease& release)
{
    LabelInterner labels;
    size_t decoded = 0;
    const bool ok = forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (decoded == 0)
            release.begin(key);
        else if (decoded % s_releaseEvery == 0)
            release.releaseBefore(key);
        ++decoded;
        MessageSummary summary;
        if (!decode(member, summary, labels, failure))
            return failure.within(key);
        // Keyed by the summary's own id, so the table's invariant holds even
        // for a hand-edited file whose member names disagree.
        out.insert(std::move(summary));
        return true;
    });
    return ok || failure.within("summaries");
}

bool decodeLabels(dom::element value, QList<LabelInfo>& out, Failure& failure)
{
    const bool ok = forEachElement(value, failure, [&](size_t index, dom::element element) {
        LabelInfo label;
        if (!decode(element, label, failure))
            return failure.within(indexSegment(index));
        out.append(std::move(label));
        return true;
    });
    return ok || failure.within("labels");
}

bool decodeLoadedLabels(dom::element value, QSet<QString>& out, Failure& failure)
{
    const bool ok = forEachElement(value, failure, [&](size_t index, dom::element element) {
        QString id;
        if (!readString(element, id))
            return failure.fail(indexSegment(index), "expected a string");
        out.insert(id);
        return true;
    });
    return ok || failure.within("loadedLabels");
}

bool decode(dom::element value, LabelPages& out, Failure& failure)
{
    RequiredKeys<3> required({"depth", "nextPageToken", "complete"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "depth") {
                                 required.see(0);
                                 qint64 depth = 0;
                                 if (!integerMember(member, key, depth, failure))
                                     return false;
                                 if (depth < 1 || depth > 1'000'000)
                                     return failure.fail(key, "expected a page count");
                                 out.depth = int(depth);
                                 return true;
                             }
                             if (key == "nextPageToken") {
                                 required.see(1);
                                 return stringMember(member, key, out.nextPageToken, failure);
                             }
                             if (key == "complete") {
                                 required.see(2);
                                 return !member.get_bool().get(out.complete) ||
                                        failure.fail(key, "expected a boolean");
                             }
                             return true;
                         }) &&
           required.complete(failure);
}

bool decodeLabelPages(dom::element value, QHash<QString, LabelPages>& out, Failure& failure)
{
    const bool ok = forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        LabelPages pages;
        if (!decode(member, pages, failure))
            return failure.within(key);
        out.insert(toQString(key), pages);
        return true;
    });
    return ok || failure.within("labelPages");
}

bool decodeLastSync(dom::element value, std::optional<QDateTime>& out, Failure& failure)
{
    if (value.is_null())
        return true;
    double seconds = 0;
    if (value.get_double().get(seconds))
        return failure.fail("lastSync", "expected a number");
    const QDateTime time = fromSecondsSinceReferenceDate(seconds);
    if (time.isValid())
        out = time;
    return true;
}

bool decode(dom::element value, MailStoreState& out, Failure& failure, ParsedPrefixRelease& release)
{
    RequiredKeys<4> required({"historyId", "summaries", "labels", "loadedLabels"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "historyId") {
                                 required.see(0);
                                 return stringMember(member, key, out.historyId, failure);
                             }
                             if (key == "summaries") {
                                 required.see(1);
                                 return decodeSummaries(member, out.summaries, failure, release);
                             }
                             if (key == "labels") {
                                 required.see(2);
                                 return decodeLabels(member, out.labels, failure);
                             }
                             if (key == "loadedLabels") {
                                 required.see(3);
                                 return decodeLoadedLabels(member, out.loadedLabels, failure);
                             }
                             if (key == "lastSync")
                                 return decodeLastSync(member, out.lastSync, failure);
                             // Absent from the caches of older versions.
                             if (key == "labelPages")
                                 return decodeLabelPages(member, out.labelPages, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decodeRegistryArray(dom::element value, QList<AccountRegistryEntry>& out, Failure& failure)
{
    return forEachElement(value, failure, [&](size_t index, dom::element element) {
        AccountRegistryEntry entry;
        if (!decode(element, entry, failure))
            return failure.within(indexSegment(index));
        out.append(std::move(entry));
        return true;
    });
}

} // namespace

std::optional<AccountIdentity> decodeAccountIdentity(const QByteArray& json, QString* error)
{
    return decodeDocument<AccountIdentity>(
        json, error, [](dom::element root, auto& out, auto& f) { return decode(root, out, f); });
}

std::optional<LabelInfo> decodeLabelInfo(const QByteArray& json, QString* error)
{
    return decodeDocument<LabelInfo>(
        json, error, [](dom::element root, auto& out, auto& f) { return decode(root, out, f); });
}

std::optional<MessageSummary> decodeMessageSummary(const QByteArray& json, QString* error)
{
    return decodeDocument<MessageSummary>(json, error, [](dom::element root, auto& out, auto& f) {
        LabelInterner labels;
        return decode(root, out, labels, f);
    });
}

std::optional<FullMessage> decodeFullMessage(const QByteArray& json, QString* error)
{
    return decodeDocument<FullMessage>(json, error, [](dom::element root, auto& out, auto& f) {
        LabelInterner labels;
        return decode(root, out, labels, f);
    });
}

std::optional<StoredThread> decodeStoredThread(const QByteArray& json, QString* error)
{
    return decodeDocument<StoredThread>(
        json, error, [](dom::element root, auto& out, auto& f) { return decode(root, out, f); });
}

std::optional<QList<AccountRegistryEntry>> decodeRegistry(const QByteArray& json, QString* error)
{
    return decodeDocument<QList<AccountRegistryEntry>>(json, error, decodeRegistryArray);
}

std::optional<MailStoreState> decodeCache(QByteArray json, QString* error)
{
    return decodeDocument<MailStoreState>(
        std::move(json), error,
        [](dom::element root, MailStoreState& out, Failure& f, dom::parser& parser) {
            ParsedPrefixRelease release(parser);
            return decode(root, out, f, release);
        });
}

} // namespace vesk::MailJson
