#include "GmailComposeRoutes.h"

#include "Base64Url.h"
#include "GmailReplies.h"
#include "GoogleState.h"
#include "HttpCall.h"
#include "MailboxRender.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QUuid>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;
using namespace gmailreply;

namespace {

// "Re:", "Fwd:" and their Portuguese forms do not make a subject different.
QString baseSubject(QString subject)
{
    static const QRegularExpression prefix(u"^\\s*(re|res|fw|fwd|enc|tr)\\s*:\\s*"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    while (prefix.match(subject).hasMatch())
        subject.remove(prefix);
    return subject.simplified().toCaseFolded();
}

QStringList addressesIn(const QString& header)
{
    static const QRegularExpression address(u"[^\\s<>,\"]+@[^\\s<>,\"]+"_s);
    QStringList result;
    for (auto it = address.globalMatch(header); it.hasNext();)
        result.append(it.next().captured().toLower());
    return result;
}

QByteArray withHeader(const QByteArray& raw, const QByteArray& name, const QByteArray& value)
{
    return name + ": " + value + "\r\n" + raw;
}

// The copy other people receive does not show who was in Bcc.
QByteArray withoutBcc(const QByteArray& raw)
{
    const qsizetype end =
        raw.indexOf("\r\n\r\n") >= 0 ? raw.indexOf("\r\n\r\n") : raw.indexOf("\n\n");
    if (end < 0)
        return raw;
    QList<QByteArray> kept;
    bool skipping = false;
    for (const QByteArray& line : raw.left(end).split('\n')) {
        const bool continuation = line.startsWith(' ') || line.startsWith('\t');
        if (!continuation)
            skipping = line.toLower().startsWith("bcc:");
        if (!skipping)
            kept.append(line);
    }
    return kept.join('\n') + raw.mid(end);
}

} // namespace

struct GmailComposeRoutes::Incoming
{
    QByteArray raw;
    MimeTree mime;
};

GmailComposeRoutes::GmailComposeRoutes(GoogleState& state, Mailbox& mailbox)
    : m_state(state)
    , m_mailbox(mailbox)
{}

std::optional<HttpReply> GmailComposeRoutes::readRaw(const QJsonObject& message,
                                                     Incoming& incoming) const
{
    const QString raw = message[u"raw"_s].toString();
    if (raw.isEmpty())
        return badRequest(u"'raw' RFC822 payload message string or uploading message via "
                          u"/upload/* URL required"_s);
    const auto bytes = base64url::decode(raw.toLatin1());
    if (!bytes)
        return badRequest(u"Invalid value at 'message.raw' (TYPE_BYTES), Base64 decoding failed"_s);
    incoming.raw = *bytes;
    incoming.mime = MimeTree::parse(incoming.raw);
    return std::nullopt;
}

QString GmailComposeRoutes::threadFor(const Incoming& incoming, const QString& requested) const
{
    // Gmail files a message in the given thread only when the subjects agree
    // and In-Reply-To or References name a message of that thread.
    const auto thread = m_mailbox.thread(requested);
    if (thread.isEmpty())
        return {};
    const QString references =
        incoming.mime.header(u"In-Reply-To"_s) + u' ' + incoming.mime.header(u"References"_s);
    const QString subject = baseSubject(incoming.mime.header(u"Subject"_s));
    for (const StoredMessage* message : thread) {
        const QString messageId = message->mime.header(u"Message-ID"_s);
        if (!messageId.isEmpty() && references.contains(messageId) &&
            baseSubject(message->mime.header(u"Subject"_s)) == subject)
            return requested;
    }
    return {};
}

void GmailComposeRoutes::deliverLocally(const Incoming& incoming)
{
    // Mail between two accounts of the stand-in arrives in the other inbox,
    // in the thread of the message it answers when there is one.
    const QStringList recipients = recipientsOf(incoming);
    const QString references =
        incoming.mime.header(u"References"_s) + u' ' + incoming.mime.header(u"In-Reply-To"_s);
    const QByteArray delivered = withoutBcc(incoming.raw);
    for (const QString& address : recipients) {
        Mailbox* other = m_state.mailbox(address);
        if (!other || other == &m_mailbox)
            continue;
        QString threadId;
        for (const StoredMessage* message : other->newestFirst()) {
            const QString id = message->mime.header(u"Message-ID"_s);
            if (!id.isEmpty() && references.contains(id))
                threadId = message->threadId;
        }
        other->insert(delivered, {u"INBOX"_s, u"UNREAD"_s}, m_state.nowMs(), threadId);
    }
}

HttpReply GmailComposeRoutes::send(const HttpCall& call)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    Incoming incoming;
    if (auto error = readRaw(*request, incoming))
        return *error;
    const QString requested = (*request)[u"threadId"_s].toString();
    if (!requested.isEmpty() && m_mailbox.thread(requested).isEmpty())
        return notFound();
    if (auto error = refusalOf(incoming))
        return *error;
    // Named first: the order a call's arguments are evaluated in is not fixed.
    const QString threadId = threadFor(incoming, requested);
    return sendChecked(std::move(incoming), threadId);
}

HttpReply GmailComposeRoutes::sendDraft(const HttpCall& call)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    const QString draftId = (*request)[u"id"_s].toString();
    const StoredMessage* draft = m_mailbox.message(m_mailbox.draftMessage(draftId));
    if (!draft)
        return notFound();
    Incoming incoming{draft->raw, draft->mime};
    // A refused draft stays as it was, for its writer to mend.
    if (auto error = refusalOf(incoming))
        return *error;
    const QString threadId = draft->threadId;
    const bool threaded = m_mailbox.thread(threadId).size() > 1;
    m_mailbox.deleteDraft(draftId);
    return sendChecked(std::move(incoming), threaded ? threadId : QString());
}

std::optional<HttpReply> GmailComposeRoutes::refusalOf(const Incoming& incoming) const
{
    if (recipientsOf(incoming).isEmpty())
        return badRequest(u"Recipient address required"_s, u"invalidArgument"_s);
    return std::nullopt;
}

QStringList GmailComposeRoutes::recipientsOf(const Incoming& incoming)
{
    return addressesIn(incoming.mime.header(u"To"_s)) + addressesIn(incoming.mime.header(u"Cc"_s)) +
           addressesIn(incoming.mime.header(u"Bcc"_s));
}

HttpReply GmailComposeRoutes::sendChecked(Incoming incoming, const QString& threadId)
{
    // Gmail completes what a sender may leave out.
    if (incoming.mime.header(u"Message-ID"_s).isEmpty())
        incoming.raw = withHeader(incoming.raw, "Message-ID",
                                  '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) +
                                      "@mail.gmail.com>");
    if (incoming.mime.header(u"From"_s).isEmpty())
        incoming.raw = withHeader(incoming.raw, "From", m_mailbox.email().toUtf8());
    incoming.mime = MimeTree::parse(incoming.raw);
    QStringList labels{u"SENT"_s};
    if (recipientsOf(incoming).contains(m_mailbox.email().toLower()))
        labels.append(u"INBOX"_s);
    const MessageRef ref = m_mailbox.insert(incoming.raw, labels, m_state.nowMs(), threadId);
    deliverLocally(incoming);
    return HttpReply::json(QJsonObject{{u"id"_s, ref.id},
                                       {u"threadId"_s, ref.threadId},
                                       {u"labelIds"_s, QJsonArray::fromStringList(labels)}});
}

HttpReply GmailComposeRoutes::createDraft(const HttpCall& call)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    const QJsonObject message = (*request)[u"message"_s].toObject();
    Incoming incoming;
    if (auto error = readRaw(message, incoming))
        return *error;
    const QString threadId = threadFor(incoming, message[u"threadId"_s].toString());
    const QString draftId = m_mailbox.createDraft(incoming.raw, threadId, m_state.nowMs());
    const StoredMessage* stored = m_mailbox.message(m_mailbox.draftMessage(draftId));
    return HttpReply::json(QJsonObject{
        {u"id"_s, draftId}, {u"message"_s, render::message(*stored, render::Format::Minimal)}});
}

HttpReply GmailComposeRoutes::updateDraft(const HttpCall& call, const QString& draftId)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    if (m_mailbox.draftMessage(draftId).isEmpty())
        return notFound();
    const QJsonObject message = (*request)[u"message"_s].toObject();
    Incoming incoming;
    if (auto error = readRaw(message, incoming))
        return *error;
    const QString threadId = threadFor(incoming, message[u"threadId"_s].toString());
    m_mailbox.replaceDraft(draftId, incoming.raw, threadId, m_state.nowMs());
    const StoredMessage* stored = m_mailbox.message(m_mailbox.draftMessage(draftId));
    return HttpReply::json(QJsonObject{
        {u"id"_s, draftId}, {u"message"_s, render::message(*stored, render::Format::Minimal)}});
}

HttpReply GmailComposeRoutes::getDraft(const HttpCall& call, const QString& draftId)
{
    const QString name = call.query.has(u"format"_s) ? call.query.value(u"format"_s) : u"full"_s;
    const auto format = render::formatFromName(name);
    if (!format)
        return badRequest(u"Invalid value at 'format', \""_s + name + u'"');
    const StoredMessage* stored = m_mailbox.message(m_mailbox.draftMessage(draftId));
    if (!stored)
        return notFound();
    return HttpReply::json(
        QJsonObject{{u"id"_s, draftId}, {u"message"_s, render::message(*stored, *format)}});
}

HttpReply GmailComposeRoutes::listDrafts()
{
    QStringList ids = m_mailbox.draftIds();
    ids.sort();
    QJsonArray drafts;
    for (const QString& id : std::as_const(ids)) {
        if (const StoredMessage* stored = m_mailbox.message(m_mailbox.draftMessage(id)))
            drafts.append(QJsonObject{
                {u"id"_s, id}, {u"message"_s, render::message(*stored, render::Format::Minimal)}});
    }
    return HttpReply::json(QJsonObject{{u"drafts"_s, drafts}});
}

HttpReply GmailComposeRoutes::deleteDraft(const QString& draftId)
{
    if (!m_mailbox.deleteDraft(draftId))
        return notFound();
    return noContent();
}

} // namespace vesk::fakegoogle
