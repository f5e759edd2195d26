// Strict decoders of Gmail's answers. Any failure names the key path.

#include "GmailError.h"
#include "WireRecords.h"
#include "json/JsonReading.h"

namespace vesk {

namespace {

using namespace vesk::json;

bool optionalString(dom::element value, std::string_view key, std::optional<QString>& out,
                    Failure& failure)
{
    if (value.is_null())
        return true;
    QString text;
    if (!readString(value, text))
        return failure.fail(key, "expected a string");
    out = std::move(text);
    return true;
}

bool optionalInteger(dom::element value, std::string_view key, std::optional<qint64>& out,
                     Failure& failure)
{
    if (value.is_null())
        return true;
    qint64 number = 0;
    if (!readInteger(value, number))
        return failure.fail(key, "expected an integer");
    out = number;
    return true;
}

/// An optional array whose elements decode with `decodeElement`.
template <typename List, typename Decoder>
bool optionalArray(dom::element value, std::string_view key, std::optional<List>& out,
                   Failure& failure, Decoder&& decodeElement)
{
    if (value.is_null())
        return true;
    List list;
    const bool ok = forEachElement(value, failure, [&](size_t index, dom::element element) {
        typename List::value_type item{};
        if (!decodeElement(element, item, failure))
            return failure.within(indexSegment(index));
        list.push_back(std::move(item));
        return true;
    });
    if (!ok)
        return failure.within(key);
    out = std::move(list);
    return true;
}

bool decodeText(dom::element value, QString& out, Failure& failure)
{
    return readString(value, out) || failure.fail({}, "expected a string");
}

template <typename T>
bool optionalRecord(dom::element value, std::string_view key, std::optional<T>& out,
                    Failure& failure);

bool decode(dom::element value, LabelListDTO::Label& out, Failure& failure)
{
    RequiredKeys<2> required({"id", "name"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id")
                                 return required.see(0), stringMember(member, key, out.id, failure);
                             if (key == "name")
                                 return required.see(1),
                                        stringMember(member, key, out.name, failure);
                             if (key == "type")
                                 return optionalString(member, key, out.type, failure);
                             if (key == "messagesTotal")
                                 return optionalInteger(member, key, out.messagesTotal, failure);
                             if (key == "messagesUnread")
                                 return optionalInteger(member, key, out.messagesUnread, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, LabelListDTO& out, Failure& failure)
{
    RequiredKeys<1> required({"labels"});
    std::optional<QList<LabelListDTO::Label>> labels;
    const bool ok = forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key != "labels")
            return true;
        required.see(0);
        if (member.is_null())
            return failure.fail(key, "expected an array");
        return optionalArray(
            member, key, labels, failure,
            [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); });
    });
    if (!ok || !required.complete(failure))
        return false;
    out.labels = std::move(*labels);
    return true;
}

bool decode(dom::element value, MessageDTO::Header& out, Failure& failure)
{
    RequiredKeys<2> required({"name", "value"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "name")
                                 return required.see(0),
                                        stringMember(member, key, out.name, failure);
                             if (key == "value")
                                 return required.see(1),
                                        stringMember(member, key, out.value, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, MessageDTO::Body& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "size")
            return optionalInteger(member, key, out.size, failure);
        if (key == "data")
            return optionalString(member, key, out.data, failure);
        if (key == "attachmentId")
            return optionalString(member, key, out.attachmentId, failure);
        return true;
    });
}

bool decode(dom::element value, MessageDTO::Payload& out, Failure& failure)
{
    const auto element = [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); };
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "partId")
            return optionalString(member, key, out.partId, failure);
        if (key == "mimeType")
            return optionalString(member, key, out.mimeType, failure);
        if (key == "filename")
            return optionalString(member, key, out.filename, failure);
        if (key == "headers")
            return optionalArray(member, key, out.headers, failure, element);
        if (key == "body")
            return optionalRecord(member, key, out.body, failure);
        if (key == "parts")
            return optionalArray(member, key, out.parts, failure, element);
        return true;
    });
}

bool decode(dom::element value, MessageDTO& out, Failure& failure)
{
    RequiredKeys<2> required({"id", "threadId"});
    return forEachMember(
               value, failure,
               [&](std::string_view key, dom::element member) {
                   if (key == "id")
                       return required.see(0), stringMember(member, key, out.id, failure);
                   if (key == "threadId")
                       return required.see(1), stringMember(member, key, out.threadId, failure);
                   if (key == "labelIds")
                       return optionalArray(member, key, out.labelIds, failure, decodeText);
                   if (key == "snippet")
                       return optionalString(member, key, out.snippet, failure);
                   if (key == "historyId")
                       return optionalString(member, key, out.historyId, failure);
                   if (key == "internalDate")
                       return optionalString(member, key, out.internalDate, failure);
                   if (key == "payload")
                       return optionalRecord(member, key, out.payload, failure);
                   return true;
               }) &&
           required.complete(failure);
}

bool decode(dom::element value, MessageListDTO::Ref& out, Failure& failure)
{
    RequiredKeys<2> required({"id", "threadId"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id")
                                 return required.see(0), stringMember(member, key, out.id, failure);
                             if (key == "threadId")
                                 return required.see(1),
                                        stringMember(member, key, out.threadId, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, MessageListDTO& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "messages")
            return optionalArray(
                member, key, out.messages, failure,
                [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); });
        if (key == "nextPageToken")
            return optionalString(member, key, out.nextPageToken, failure);
        if (key == "resultSizeEstimate")
            return optionalInteger(member, key, out.resultSizeEstimate, failure);
        return true;
    });
}

bool decode(dom::element value, ThreadDTO& out, Failure& failure)
{
    RequiredKeys<1> required({"id"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id")
                                 return required.see(0), stringMember(member, key, out.id, failure);
                             if (key == "messages")
                                 return optionalArray(member, key, out.messages, failure,
                                                      [](dom::element e, auto& item, Failure& f) {
                                                          return decode(e, item, f);
                                                      });
                             if (key == "historyId")
                                 return optionalString(member, key, out.historyId, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, HistoryListDTO::Record::MessageRef& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "message")
            return optionalRecord(member, key, out.message, failure);
        if (key == "type")
            return optionalString(member, key, out.type, failure);
        return true;
    });
}

bool decode(dom::element value, HistoryListDTO::Record::LabelChange& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "message")
            return optionalRecord(member, key, out.message, failure);
        if (key == "labelIds")
            return optionalArray(member, key, out.labelIds, failure, decodeText);
        return true;
    });
}

bool decode(dom::element value, HistoryListDTO::Record& out, Failure& failure)
{
    const auto element = [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); };
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "id")
            return optionalString(member, key, out.id, failure);
        if (key == "messagesAdded")
            return optionalArray(member, key, out.messagesAdded, failure, element);
        if (key == "messagesDeleted")
            return optionalArray(member, key, out.messagesDeleted, failure, element);
        if (key == "labelsAdded")
            return optionalArray(member, key, out.labelsAdded, failure, element);
        if (key == "labelsRemoved")
            return optionalArray(member, key, out.labelsRemoved, failure, element);
        return true;
    });
}

bool decode(dom::element value, HistoryListDTO& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "history")
            return optionalArray(
                member, key, out.history, failure,
                [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); });
        if (key == "nextPageToken")
            return optionalString(member, key, out.nextPageToken, failure);
        if (key == "historyId")
            return optionalString(member, key, out.historyId, failure);
        return true;
    });
}

bool decode(dom::element value, AttachmentDTO& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "data")
            return optionalString(member, key, out.data, failure);
        if (key == "size")
            return optionalInteger(member, key, out.size, failure);
        return true;
    });
}

bool decode(dom::element value, GmailProfileDTO& out, Failure& failure)
{
    RequiredKeys<2> required({"emailAddress", "historyId"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "emailAddress")
                                 return required.see(0),
                                        stringMember(member, key, out.emailAddress, failure);
                             if (key == "historyId")
                                 return required.see(1),
                                        stringMember(member, key, out.historyId, failure);
                             if (key == "messagesTotal")
                                 return optionalInteger(member, key, out.messagesTotal, failure);
                             if (key == "threadsTotal")
                                 return optionalInteger(member, key, out.threadsTotal, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, UserInfoDTO& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "name")
            return optionalString(member, key, out.name, failure);
        if (key == "email")
            return optionalString(member, key, out.email, failure);
        if (key == "picture")
            return optionalString(member, key, out.picture, failure);
        return true;
    });
}

bool decode(dom::element value, DraftDTO& out, Failure& failure)
{
    RequiredKeys<1> required({"id"});
    return forEachMember(value, failure,
                         [&](std::string_view key, dom::element member) {
                             if (key == "id")
                                 return required.see(0), stringMember(member, key, out.id, failure);
                             if (key == "message")
                                 return optionalRecord(member, key, out.message, failure);
                             return true;
                         }) &&
           required.complete(failure);
}

bool decode(dom::element value, DraftListDTO& out, Failure& failure)
{
    return forEachMember(value, failure, [&](std::string_view key, dom::element member) {
        if (key == "drafts")
            return optionalArray(
                member, key, out.drafts, failure,
                [](dom::element e, auto& item, Failure& f) { return decode(e, item, f); });
        if (key == "nextPageToken")
            return optionalString(member, key, out.nextPageToken, failure);
        return true;
    });
}

template <typename T>
bool optionalRecord(dom::element value, std::string_view key, std::optional<T>& out,
                    Failure& failure)
{
    if (value.is_null())
        return true;
    T record{};
    if (!decode(value, record, failure))
        return failure.within(key);
    out = std::move(record);
    return true;
}

} // namespace

template <typename T>
T decodeWire(const QByteArray& body)
{
    QString error;
    std::optional<T> decoded =
        decodeDocument<T>(body, &error, [](dom::element root, T& out, Failure& failure) {
            return decode(root, out, failure);
        });
    if (!decoded)
        throw GmailError::decoding(error);
    return std::move(*decoded);
}

template LabelListDTO decodeWire<LabelListDTO>(const QByteArray&);
template LabelListDTO::Label decodeWire<LabelListDTO::Label>(const QByteArray&);
template MessageDTO decodeWire<MessageDTO>(const QByteArray&);
template MessageListDTO decodeWire<MessageListDTO>(const QByteArray&);
template ThreadDTO decodeWire<ThreadDTO>(const QByteArray&);
template HistoryListDTO decodeWire<HistoryListDTO>(const QByteArray&);
template AttachmentDTO decodeWire<AttachmentDTO>(const QByteArray&);
template GmailProfileDTO decodeWire<GmailProfileDTO>(const QByteArray&);
template UserInfoDTO decodeWire<UserInfoDTO>(const QByteArray&);
template DraftDTO decodeWire<DraftDTO>(const QByteArray&);
template DraftListDTO decodeWire<DraftListDTO>(const QByteArray&);

} // namespace vesk
