#include "GmailMessageRoutes.h"

#include "Base64Url.h"
#include "GmailReplies.h"
#include "GoogleError.h"
#include "HttpCall.h"
#include "Mailbox.h"
#include "MailboxRender.h"
#include "SearchQuery.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

using namespace gmailreply;

namespace {

QStringList stringList(const QJsonValue& value)
{
    QStringList result;
    const QJsonArray items = value.toArray();
    for (const auto& item : items)
        result.append(item.toString());
    return result;
}

} // namespace

GmailMessageRoutes::GmailMessageRoutes(Mailbox& mailbox)
    : m_mailbox(mailbox)
{}

bool GmailMessageRoutes::isValidId(const QString& id)
{
    static const QRegularExpression hex(u"^[0-9a-f]{1,32}$"_s);
    return hex.match(id).hasMatch();
}

HttpReply GmailMessageRoutes::list(const HttpCall& call)
{
    bool ok = true;
    int maxResults = 100;
    if (call.query.has(u"maxResults"_s)) {
        maxResults = call.query.value(u"maxResults"_s).toInt(&ok);
        if (!ok || maxResults < 0)
            return badRequest(u"Invalid value at 'max_results' (TYPE_UINT32), \""_s +
                              call.query.value(u"maxResults"_s) + u'"');
        maxResults = maxResults == 0 ? 100 : std::min(maxResults, 500);
    }
    const QStringList labelIds = call.query.values(u"labelIds"_s);
    const SearchQuery query = SearchQuery::parse(call.query.value(u"q"_s));
    const bool spamTrash = call.query.value(u"includeSpamTrash"_s) == u"true"_s ||
                           query.reachesSpamOrTrash() || labelIds.contains(u"SPAM"_s) ||
                           labelIds.contains(u"TRASH"_s);
    QList<const StoredMessage*> matches;
    for (const StoredMessage* message : m_mailbox.newestFirst()) {
        const bool hidden =
            message->labelIds.contains(u"SPAM"_s) || message->labelIds.contains(u"TRASH"_s);
        const bool labelled = std::all_of(labelIds.begin(), labelIds.end(), [&](const QString& id) {
            return message->labelIds.contains(id);
        });
        if ((spamTrash || !hidden) && labelled && query.matches(*message, m_mailbox))
            matches.append(message);
    }
    // Page tokens name the last message of the previous page, so mail that
    // arrives between two pages does not shift the later pages.
    qsizetype start = 0;
    if (call.query.has(u"pageToken"_s)) {
        const auto anchor = base64url::decode(call.query.value(u"pageToken"_s).toLatin1());
        const auto it = std::find_if(matches.begin(), matches.end(), [&](const auto* message) {
            return anchor && message->id.toLatin1() == *anchor;
        });
        if (!anchor || it == matches.end())
            return badRequest(u"Invalid pageToken"_s);
        start = (it - matches.begin()) + 1;
    }
    QJsonArray refs;
    for (qsizetype i = start; i < matches.size() && refs.size() < maxResults; ++i)
        refs.append(QJsonObject{{u"id"_s, matches[i]->id}, {u"threadId"_s, matches[i]->threadId}});
    QJsonObject answer{{u"resultSizeEstimate"_s, matches.size()}};
    if (!refs.isEmpty())
        answer[u"messages"_s] = refs;
    if (start + refs.size() < matches.size()) {
        const QString lastId = refs.last().toObject()[u"id"_s].toString();
        answer[u"nextPageToken"_s] = QString::fromLatin1(base64url::encode(lastId.toLatin1()));
    }
    return HttpReply::json(answer);
}

HttpReply GmailMessageRoutes::get(const HttpCall& call, const QString& id)
{
    const auto format = render::formatFromName(call.query.value(u"format"_s));
    if (!format)
        return badRequest(
            u"Invalid value at 'format' (type.googleapis.com/google.apps.gmail.v1.Format), \""_s +
            call.query.value(u"format"_s) + u'"');
    if (!isValidId(id))
        return invalidId();
    const StoredMessage* message = m_mailbox.message(id);
    if (!message)
        return notFound();
    return HttpReply::json(
        render::message(*message, *format, call.query.values(u"metadataHeaders"_s)));
}

HttpReply GmailMessageRoutes::attachment(const QString& messageId, const QString& attachmentId)
{
    if (!isValidId(messageId))
        return invalidId();
    const auto target = render::parseAttachmentToken(attachmentId);
    if (!target || target->first != messageId)
        return badRequest(u"Invalid attachment token"_s);
    const StoredMessage* message = m_mailbox.message(messageId);
    if (!message || !message->mime.attachmentBodies.contains(target->second))
        return notFound();
    const QByteArray& bytes = message->mime.attachmentBodies[target->second];
    return HttpReply::json(QJsonObject{{u"size"_s, bytes.size()},
                                       {u"data"_s, QString::fromLatin1(base64url::encode(bytes))}});
}

std::optional<HttpReply> GmailMessageRoutes::applyLabels(Mailbox& mailbox,
                                                         const QStringList& messageIds,
                                                         const QJsonObject& request)
{
    const QStringList add = stringList(request[u"addLabelIds"_s]);
    const QStringList remove = stringList(request[u"removeLabelIds"_s]);
    if (add.isEmpty() && remove.isEmpty())
        return badRequest(u"No label add or removes specified"_s, u"failedPrecondition"_s);
    for (const QString& id : add + remove) {
        if (!mailbox.label(id))
            return badRequest(u"Invalid label: "_s + id);
    }
    for (const QString& id : add) {
        if (id == u"DRAFT"_s || id == u"SENT"_s)
            return badRequest(u"Invalid label: "_s + id);
    }
    for (const QString& id : messageIds)
        mailbox.modify(id, add, remove);
    return std::nullopt;
}

HttpReply GmailMessageRoutes::modify(const HttpCall& call, const QString& id)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    if (!isValidId(id))
        return invalidId();
    if (!m_mailbox.message(id))
        return notFound();
    if (auto error = applyLabels(m_mailbox, {id}, *request))
        return *error;
    return HttpReply::json(render::message(*m_mailbox.message(id), render::Format::Minimal));
}

HttpReply GmailMessageRoutes::batchModify(const HttpCall& call)
{
    const auto request = jsonBody(call);
    if (!request)
        return invalidJson();
    const QStringList ids = stringList((*request)[u"ids"_s]);
    if (ids.isEmpty())
        return badRequest(u"ids required"_s, u"invalidArgument"_s);
    if (ids.size() > 1000)
        return badRequest(u"Too many ids: at most 1000"_s, u"invalidArgument"_s);
    QStringList held;
    for (const QString& id : ids) {
        if (!isValidId(id))
            return invalidId();
        if (m_mailbox.message(id))
            held.append(id);
    }
    if (auto error = applyLabels(m_mailbox, held, *request))
        return *error;
    return noContent();
}

HttpReply GmailMessageRoutes::trash(const QString& id, bool trash)
{
    if (!isValidId(id))
        return invalidId();
    if (!m_mailbox.message(id))
        return notFound();
    if (trash)
        m_mailbox.modify(id, {u"TRASH"_s}, {u"INBOX"_s, u"SPAM"_s});
    else
        m_mailbox.modify(id, {}, {u"TRASH"_s});
    return HttpReply::json(render::message(*m_mailbox.message(id), render::Format::Minimal));
}

HttpReply GmailMessageRoutes::remove(const QString& id)
{
    if (!isValidId(id))
        return invalidId();
    if (!m_mailbox.message(id))
        return notFound();
    m_mailbox.remove(id);
    return noContent();
}

} // namespace vesk::fakegoogle
