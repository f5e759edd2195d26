// Turning Gmail's message records into the mail model. Pure functions: what
// cannot be decoded is left empty, but a text part with bytes always gives text.

#include "Base64Url.h"
#include "BodyText.h"
#include "WireRecords.h"

#include <QMimeDatabase>
#include <QRegularExpression>

#include <vector>

namespace vesk {

namespace {

/// Gmail's decimal millisecond text; 0 for anything else.
qint64 parseInternalDate(const std::optional<QString>& text)
{
    if (!text)
        return 0;
    bool ok = false;
    const qint64 value = text->toLongLong(&ok, 10);
    return ok ? value : 0;
}

std::optional<QString> headerIn(const std::vector<MessageDTO::Header>& headers, const QString& name)
{
    for (const MessageDTO::Header& header : headers) {
        if (header.name.compare(name, Qt::CaseInsensitive) == 0)
            return header.value;
    }
    return std::nullopt;
}

/// The charset parameter of a part's own Content-Type header, if any.
QByteArray declaredCharset(const MessageDTO::Payload& part)
{
    if (!part.headers)
        return {};
    const std::optional<QString> contentType =
        headerIn(*part.headers, QStringLiteral("Content-Type"));
    if (!contentType)
        return {};
    static const QRegularExpression s_charset(
        QStringLiteral(R"re(;\s*charset\s*=\s*"?([^";\s]+)"?)re"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = s_charset.match(*contentType);
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

std::optional<QString> decodeText(const MessageDTO::Payload& part)
{
    if (!part.body || !part.body->data)
        return std::nullopt;
    const std::optional<QByteArray> bytes = decodeBase64Url(*part.body->data);
    if (!bytes)
        return std::nullopt;
    return decodeBodyText(*bytes, declaredCharset(part));
}

QString lowerMimeType(const MessageDTO::Payload& part)
{
    return part.mimeType.value_or(QString()).toLower();
}

bool isAttachment(const MessageDTO::Payload& part)
{
    return part.body && part.body->attachmentId;
}

/// A name for an attachment sent without one, so that it can still be saved.
QString unnamedAttachmentName(const QString& mimeType)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType.toLower());
    const QString suffix = type.isValid() ? type.preferredSuffix() : QString();
    return QStringLiteral("anexo.") + (suffix.isEmpty() ? QStringLiteral("bin") : suffix);
}

void collectAttachments(const MessageDTO::Payload& part, const QString& messageId,
                        QList<AttachmentInfo>& into)
{
    if (isAttachment(part)) {
        const QString mimeType = part.mimeType.value_or(QStringLiteral("application/octet-stream"));
        const QString filename = part.filename.value_or(QString());
        into.append(AttachmentInfo{messageId, *part.body->attachmentId,
                                   filename.isEmpty() ? unnamedAttachmentName(mimeType) : filename,
                                   mimeType, part.body->size.value_or(0)});
    }
    if (part.parts) {
        for (const MessageDTO::Payload& child : *part.parts)
            collectAttachments(child, messageId, into);
    }
}

/// The text parts of one message, first of each kind in document order.
/// Messages it encloses (forwarded or attached) are not its body: they are
/// only set aside, in order, for when it has no text of its own.
void collectOwnText(const MessageDTO::Payload& part, FullMessage& into,
                    std::vector<const MessageDTO::Payload*>& enclosed)
{
    if (!isAttachment(part)) {
        const QString type = lowerMimeType(part);
        if (type == u"text/plain" && !into.plainText)
            into.plainText = decodeText(part);
        else if (type == u"text/html" && !into.html)
            into.html = decodeText(part);
    }
    if (!part.parts)
        return;
    for (const MessageDTO::Payload& child : *part.parts) {
        if (lowerMimeType(child) == u"message/rfc822")
            enclosed.push_back(&child);
        else
            collectOwnText(child, into, enclosed);
    }
}

/// Fills the body text from the message whose top part is `root`, falling
/// back to the first enclosed message that has text.
void collectText(const MessageDTO::Payload& root, FullMessage& into)
{
    std::vector<const MessageDTO::Payload*> enclosed;
    collectOwnText(root, into, enclosed);
    for (const MessageDTO::Payload* message : enclosed) {
        if (!message->parts)
            continue;
        for (const MessageDTO::Payload& top : *message->parts) {
            if (into.plainText || into.html)
                return;
            collectText(top, into);
        }
    }
}

} // namespace

std::optional<QString> MessageDTO::header(const QString& name) const
{
    if (!payload || !payload->headers)
        return std::nullopt;
    return headerIn(*payload->headers, name);
}

MessageSummary MessageDTO::toSummary() const
{
    auto [fromName, fromEmail] = parseAddress(header(QStringLiteral("From")).value_or(QString()));
    MessageSummary summary(id, threadId, labelIds.value_or(QStringList()),
                           snippet.value_or(QString()), std::move(fromName), std::move(fromEmail),
                           header(QStringLiteral("Subject")).value_or(QString()),
                           parseInternalDate(internalDate));
    // Whom the account wrote to is what ranks its address book; the
    // recipients of received mail are left out so the cache stays small.
    if (summary.hasLabel(QStringLiteral("SENT"))) {
        QStringList recipients;
        for (const QString& name : {QStringLiteral("To"), QStringLiteral("Cc")}) {
            const QString text = header(name).value_or(QString()).trimmed();
            if (!text.isEmpty())
                recipients.append(text);
        }
        summary.setRecipients(recipients.join(QStringLiteral(", ")));
    }
    return summary;
}

FullMessage MessageDTO::toFull() const
{
    FullMessage full;
    full.id = id;
    full.threadId = threadId;
    full.labelIds = labelIds.value_or(QStringList());
    std::tie(full.fromName, full.fromEmail) =
        parseAddress(header(QStringLiteral("From")).value_or(QString()));
    full.to = header(QStringLiteral("To")).value_or(QString());
    full.cc = header(QStringLiteral("Cc")).value_or(QString());
    full.subject = header(QStringLiteral("Subject")).value_or(QString());
    full.snippet = snippet.value_or(QString());
    full.messageIdHeader = header(QStringLiteral("Message-ID"));
    full.references = header(QStringLiteral("References"));
    full.date = QDateTime::fromMSecsSinceEpoch(parseInternalDate(internalDate), Qt::UTC);
    if (payload) {
        collectAttachments(*payload, id, full.attachments);
        collectText(*payload, full);
    }
    return full;
}

} // namespace vesk
