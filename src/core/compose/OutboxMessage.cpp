#include "OutboxMessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace vesk {

namespace {

QJsonValue optional(const std::optional<QString>& text)
{
    return text ? QJsonValue(*text) : QJsonValue();
}

/// Absent for null, the text for a string; false in `ok` for anything else.
std::optional<QString> optionalText(const QJsonValue& value, bool& ok)
{
    if (value.isNull() || value.isUndefined())
        return std::nullopt;
    ok = ok && value.isString();
    return value.toString();
}

} // namespace

QByteArray OutboxMessage::encode() const
{
    QJsonArray files;
    for (const OutgoingAttachment& attachment : attachments) {
        files.append(QJsonObject{
            {u"name"_s, attachment.filename},
            {u"type"_s, attachment.mimeType},
            {u"data"_s, QString::fromLatin1(attachment.data.toBase64())},
        });
    }
    const QJsonObject root{
        {u"version"_s, 1},
        {u"id"_s, id.toString(QUuid::WithoutBraces)},
        {u"mode"_s, mode},
        {u"to"_s, to},
        {u"cc"_s, cc},
        {u"bcc"_s, bcc},
        {u"subject"_s, subject},
        {u"body"_s, body},
        {u"attachments"_s, files},
        {u"thread"_s, optional(threadId)},
        {u"inReplyTo"_s, optional(inReplyTo)},
        {u"references"_s, optional(references)},
        {u"draft"_s, optional(delivery.draftId)},
        {u"draftFinal"_s, delivery.draftIsFinal},
        {u"sendTried"_s, delivery.sendTried},
        {u"queued"_s, queuedAt.toUTC().toString(Qt::ISODateWithMs)},
        {u"refusal"_s, refusal},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<OutboxMessage> OutboxMessage::decode(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        root.value(u"version").toInt() != 1)
        return std::nullopt;
    bool ok = true;
    for (const char16_t* key : {u"to", u"cc", u"bcc", u"subject", u"body", u"queued", u"refusal"})
        ok = ok && root.value(QStringView(key)).isString();
    OutboxMessage message;
    message.id = QUuid::fromString(root.value(u"id").toString());
    message.mode = root.value(u"mode").toInt(-1);
    message.to = root.value(u"to").toString();
    message.cc = root.value(u"cc").toString();
    message.bcc = root.value(u"bcc").toString();
    message.subject = root.value(u"subject").toString();
    message.body = root.value(u"body").toString();
    message.threadId = optionalText(root.value(u"thread"), ok);
    message.inReplyTo = optionalText(root.value(u"inReplyTo"), ok);
    message.references = optionalText(root.value(u"references"), ok);
    message.delivery.draftId = optionalText(root.value(u"draft"), ok);
    // Absent from a message kept before they were: it then starts over,
    // writing its draft first.
    for (const auto& [key, flag] : {std::pair{u"draftFinal", &message.delivery.draftIsFinal},
                                    std::pair{u"sendTried", &message.delivery.sendTried}}) {
        const QJsonValue value = root.value(QStringView(key));
        ok = ok && (value.isUndefined() || value.isBool());
        *flag = value.toBool();
    }
    message.queuedAt = QDateTime::fromString(root.value(u"queued").toString(), Qt::ISODateWithMs);
    message.refusal = root.value(u"refusal").toString();
    const QJsonArray files = root.value(u"attachments").toArray();
    ok = ok && root.value(u"attachments").isArray() && !message.id.isNull() && message.mode >= 0 &&
         message.mode <= 3;
    for (const auto& file : files) {
        const QJsonObject object = file.toObject();
        const QByteArray data = object.value(u"data").toString().toLatin1();
        const auto decoded =
            QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
        ok = ok && file.isObject() && object.value(u"name").isString() &&
             object.value(u"type").isString() && object.value(u"data").isString() && decoded;
        message.attachments.append(OutgoingAttachment{object.value(u"name").toString(),
                                                      object.value(u"type").toString(), *decoded});
    }
    if (!ok)
        return std::nullopt;
    return message;
}

} // namespace vesk
