#include "MailboxRender.h"

#include "Base64Url.h"

#include <QJsonArray>
#include <QRandomGenerator>

#include <algorithm>

namespace vesk::fakegoogle::render {

using namespace Qt::StringLiterals;

namespace {

constexpr auto s_tokenPrefix = "ANGjdJ";

QJsonObject withAttachmentIds(QJsonObject part, const QString& messageId)
{
    QJsonObject body = part[u"body"_s].toObject();
    if (body.contains(u"attachmentPart"_s)) {
        const QString partId = body.take(u"attachmentPart"_s).toString();
        body[u"attachmentId"_s] = attachmentToken(messageId, partId);
        part[u"body"_s] = body;
    }
    if (part.contains(u"parts"_s)) {
        QJsonArray children;
        const QJsonArray parts = part[u"parts"_s].toArray();
        for (const auto& child : parts)
            children.append(withAttachmentIds(child.toObject(), messageId));
        part[u"parts"_s] = children;
    }
    return part;
}

QJsonObject metadataPayload(const QJsonObject& payload, const QStringList& wanted)
{
    QJsonArray headers;
    const QJsonArray given = payload[u"headers"_s].toArray();
    for (const auto& value : given) {
        const QString name = value.toObject()[u"name"_s].toString();
        const bool keep =
            wanted.isEmpty() || std::any_of(wanted.begin(), wanted.end(), [&](const QString& w) {
                return w.compare(name, Qt::CaseInsensitive) == 0;
            });
        if (keep)
            headers.append(value);
    }
    return QJsonObject{{u"partId"_s, QString()},
                       {u"mimeType"_s, payload[u"mimeType"_s]},
                       {u"filename"_s, QString()},
                       {u"headers"_s, headers}};
}

} // namespace

std::optional<Format> formatFromName(const QString& name)
{
    if (name.isEmpty() || name == u"full"_s)
        return Format::Full;
    if (name == u"minimal"_s)
        return Format::Minimal;
    if (name == u"metadata"_s)
        return Format::Metadata;
    if (name == u"raw"_s)
        return Format::Raw;
    return std::nullopt;
}

QJsonObject message(const StoredMessage& message, Format format, const QStringList& metadataHeaders)
{
    QJsonObject json{{u"id"_s, message.id},
                     {u"threadId"_s, message.threadId},
                     {u"labelIds"_s, QJsonArray::fromStringList(message.labelIds)},
                     {u"snippet"_s, message.mime.snippet},
                     {u"sizeEstimate"_s, message.raw.size()},
                     {u"historyId"_s, QString::number(message.historyId)},
                     {u"internalDate"_s, QString::number(message.internalDate)}};
    // Gmail leaves "labelIds" out when a message has none.
    if (message.labelIds.isEmpty())
        json.remove(u"labelIds"_s);
    switch (format) {
    case Format::Minimal:
        break;
    case Format::Metadata:
        json[u"payload"_s] = metadataPayload(message.mime.payload, metadataHeaders);
        break;
    case Format::Full:
        json[u"payload"_s] = withAttachmentIds(message.mime.payload, message.id);
        break;
    case Format::Raw:
        json[u"raw"_s] = QString::fromLatin1(base64url::encode(message.raw));
        break;
    }
    return json;
}

QJsonObject thread(const QList<const StoredMessage*>& messages, Format format,
                   const QStringList& metadataHeaders)
{
    QJsonArray list;
    quint64 historyId = 0;
    for (const StoredMessage* stored : messages) {
        list.append(message(*stored, format, metadataHeaders));
        historyId = std::max(historyId, stored->historyId);
    }
    const QString id = messages.isEmpty() ? QString() : messages.constFirst()->threadId;
    return QJsonObject{
        {u"id"_s, id}, {u"historyId"_s, QString::number(historyId)}, {u"messages"_s, list}};
}

QJsonObject label(const StoredLabel& label, const Mailbox::LabelCounts* counts)
{
    QJsonObject json{{u"id"_s, label.id},
                     {u"name"_s, label.name},
                     {u"type"_s, label.isSystem ? u"system"_s : u"user"_s}};
    if (!label.labelListVisibility.isEmpty())
        json[u"labelListVisibility"_s] = label.labelListVisibility;
    if (!label.messageListVisibility.isEmpty())
        json[u"messageListVisibility"_s] = label.messageListVisibility;
    if (counts) {
        json[u"messagesTotal"_s] = counts->messagesTotal;
        json[u"messagesUnread"_s] = counts->messagesUnread;
        json[u"threadsTotal"_s] = counts->threadsTotal;
        json[u"threadsUnread"_s] = counts->threadsUnread;
    }
    return json;
}

QString attachmentToken(const QString& messageId, const QString& partId)
{
    const QByteArray nonce = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    const QByteArray inner = messageId.toLatin1() + '/' + partId.toLatin1() + '/' + nonce;
    return QString::fromLatin1(s_tokenPrefix + inner.toBase64(QByteArray::Base64UrlEncoding |
                                                              QByteArray::OmitTrailingEquals));
}

std::optional<QPair<QString, QString>> parseAttachmentToken(const QString& token)
{
    if (!token.startsWith(QLatin1String(s_tokenPrefix)))
        return std::nullopt;
    const auto inner = base64url::decode(token.mid(qsizetype(qstrlen(s_tokenPrefix))).toLatin1());
    if (!inner)
        return std::nullopt;
    const QList<QByteArray> pieces = inner->split('/');
    if (pieces.size() != 3)
        return std::nullopt;
    return QPair<QString, QString>{QString::fromLatin1(pieces[0]), QString::fromLatin1(pieces[1])};
}

} // namespace vesk::fakegoogle::render
