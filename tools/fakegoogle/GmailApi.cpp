#include "GmailApi.h"

#include "Base64Url.h"
#include "GmailComposeRoutes.h"
#include "GmailMessageRoutes.h"
#include "GmailReplies.h"
#include "GoogleError.h"
#include "GoogleState.h"
#include "HttpCall.h"
#include "MailboxRender.h"

#include <QDateTime>
#include <QJsonArray>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;
using namespace gmailreply;

namespace {

constexpr auto s_prefix = "/gmail/v1/users/";

bool allowsGmail(const QString& scope, const QString& method)
{
    const QStringList scopes = scope.split(u' ', Qt::SkipEmptyParts);
    if (scopes.contains(u"https://mail.google.com/"_s) ||
        scopes.contains(u"https://www.googleapis.com/auth/gmail.modify"_s))
        return true;
    const bool reads =
        method.endsWith(u".get"_s) || method.endsWith(u".list"_s) || method == u"getProfile"_s;
    return reads && scopes.contains(u"https://www.googleapis.com/auth/gmail.readonly"_s);
}

HttpReply quotaExceeded(QuotaModel model, qint64 nowMs, qint64 waitMs)
{
    if (model == QuotaModel::LegacyPerSecond) {
        const QString when =
            QDateTime::fromMSecsSinceEpoch(nowMs + waitMs, Qt::UTC).toString(Qt::ISODateWithMs);
        return googleerror::api(429, u"User-rate limit exceeded.  Retry after "_s + when,
                                u"rateLimitExceeded"_s, u"usageLimits"_s);
    }
    return googleerror::api(
        429,
        u"Quota exceeded for quota metric 'Queries' and limit 'Queries per minute per user' of "
        u"service 'gmail.googleapis.com' for consumer 'project_number:000000000000'."_s,
        u"rateLimitExceeded"_s);
}

} // namespace

GmailApi::GmailApi(GoogleState& state)
    : m_state(state)
{}

bool GmailApi::owns(const QString& path)
{
    return path.startsWith(QLatin1String(s_prefix));
}

QString GmailApi::methodName(const QString& httpMethod, const QStringList& segments)
{
    const qsizetype n = segments.size();
    const QString head = n > 0 ? segments[0] : QString();
    const bool get = httpMethod == u"GET"_s;
    const bool post = httpMethod == u"POST"_s;
    if (head == u"profile"_s && n == 1 && get)
        return u"getProfile"_s;
    if (head == u"history"_s && n == 1 && get)
        return u"history.list"_s;
    if (head == u"labels"_s && n == 1)
        return get ? u"labels.list"_s : post ? u"labels.create"_s : QString();
    if (head == u"labels"_s && n == 2 && get)
        return u"labels.get"_s;
    if (head == u"threads"_s && n == 2 && get)
        return u"threads.get"_s;
    if (head == u"threads"_s && n == 3 && post &&
        (segments[2] == u"modify"_s || segments[2] == u"trash"_s || segments[2] == u"untrash"_s))
        return u"threads."_s + segments[2];
    if (head == u"drafts"_s && n == 1)
        return post ? u"drafts.create"_s : get ? u"drafts.list"_s : QString();
    if (head == u"drafts"_s && n == 2 && post && segments[1] == u"send"_s)
        return u"drafts.send"_s;
    if (head == u"drafts"_s && n == 2)
        return httpMethod == u"PUT"_s      ? u"drafts.update"_s
               : httpMethod == u"DELETE"_s ? u"drafts.delete"_s
               : get                       ? u"drafts.get"_s
                                           : QString();
    if (head != u"messages"_s)
        return {};
    if (n == 1 && get)
        return u"messages.list"_s;
    if (n == 2 && post && segments[1] == u"send"_s)
        return u"messages.send"_s;
    if (n == 2 && post && segments[1] == u"batchModify"_s)
        return u"messages.batchModify"_s;
    if (n == 2)
        return get                         ? u"messages.get"_s
               : httpMethod == u"DELETE"_s ? u"messages.delete"_s
                                           : QString();
    if (n == 3 && post &&
        (segments[2] == u"modify"_s || segments[2] == u"trash"_s || segments[2] == u"untrash"_s))
        return u"messages."_s + segments[2];
    if (n == 4 && get && segments[2] == u"attachments"_s)
        return u"messages.attachments.get"_s;
    return {};
}

HttpReply GmailApi::handle(const HttpCall& call)
{
    QStringList segments = call.path.mid(qsizetype(qstrlen(s_prefix))).split(u'/');
    const QString userId = segments.isEmpty() ? QString() : segments.takeFirst();
    const QString method = methodName(call.method, segments);
    if (method.isEmpty())
        return notFound();

    const QByteArray authorization = call.header("Authorization");
    const QString token = authorization.toLower().startsWith("bearer ")
                              ? QString::fromLatin1(authorization.mid(7).trimmed())
                              : QString();
    const auto grant = m_state.oauth.accessGrant(token, m_state.nowMs());
    Mailbox* mailbox = grant ? m_state.mailbox(grant->account) : nullptr;
    if (!mailbox)
        return googleerror::invalidCredentials();
    if (!allowsGmail(grant->scope, method))
        return googleerror::api(403, u"Request had insufficient authentication scopes."_s,
                                u"insufficientPermissions"_s);
    if (userId != u"me"_s && userId.compare(mailbox->email(), Qt::CaseInsensitive) != 0)
        return googleerror::api(403, u"Delegation denied for "_s + mailbox->email(),
                                u"forbidden"_s);

    const qint64 now = m_state.nowMs();
    if (const auto wait = m_state.quota.charge(mailbox->email(), method, now))
        return quotaExceeded(m_state.quota.model(), now, *wait);
    return dispatch(method, call, segments, *mailbox);
}

HttpReply GmailApi::dispatch(const QString& method, const HttpCall& call,
                             const QStringList& segments, Mailbox& mailbox)
{
    GmailMessageRoutes messages(mailbox);
    GmailComposeRoutes compose(m_state, mailbox);
    const QString id = segments.value(1);
    if (method == u"getProfile"_s)
        return profile(mailbox);
    if (method == u"labels.list"_s)
        return labels(mailbox);
    if (method == u"labels.get"_s)
        return label(mailbox, id);
    if (method == u"labels.create"_s)
        return createLabel(mailbox, call);
    if (method == u"history.list"_s)
        return history(mailbox, call);
    if (method == u"threads.get"_s)
        return thread(mailbox, call, id);
    if (method == u"threads.modify"_s)
        return modifyThread(mailbox, call, id);
    if (method == u"threads.trash"_s || method == u"threads.untrash"_s)
        return trashThread(mailbox, id, method == u"threads.trash"_s);
    if (method == u"messages.list"_s)
        return messages.list(call);
    if (method == u"messages.send"_s)
        return compose.send(call);
    if (method == u"messages.get"_s)
        return messages.get(call, id);
    if (method == u"messages.delete"_s)
        return messages.remove(id);
    if (method == u"messages.batchModify"_s)
        return messages.batchModify(call);
    if (method == u"messages.modify"_s)
        return messages.modify(call, id);
    if (method == u"messages.trash"_s || method == u"messages.untrash"_s)
        return messages.trash(id, method == u"messages.trash"_s);
    if (method == u"messages.attachments.get"_s)
        return messages.attachment(id, segments.value(3));
    if (method == u"drafts.create"_s)
        return compose.createDraft(call);
    if (method == u"drafts.send"_s)
        return compose.sendDraft(call);
    if (method == u"drafts.update"_s)
        return compose.updateDraft(call, id);
    if (method == u"drafts.get"_s)
        return compose.getDraft(call, id);
    if (method == u"drafts.list"_s)
        return compose.listDrafts();
    return compose.deleteDraft(id);
}

HttpReply GmailApi::profile(Mailbox& mailbox)
{
    return HttpReply::json(
        QJsonObject{{u"emailAddress"_s, mailbox.email()},
                    {u"messagesTotal"_s, qint64(mailbox.newestFirst().size())},
                    {u"threadsTotal"_s, mailbox.threadCount()},
                    {u"historyId"_s, QString::number(mailbox.history().currentId())}});
}

HttpReply GmailApi::labels(Mailbox& mailbox)
{
    // labels.list carries no counts; only labels.get does.
    QJsonArray list;
    for (const StoredLabel& label : mailbox.labels())
        list.append(render::label(label, nullptr));
    return HttpReply::json(QJsonObject{{u"labels"_s, list}});
}

HttpReply GmailApi::label(Mailbox& mailbox, const QString& id)
{
    const StoredLabel* label = mailbox.label(id);
    if (!label)
        return notFound();
    const Mailbox::LabelCounts counts = mailbox.counts(id);
    return HttpReply::json(render::label(*label, &counts));
}

HttpReply GmailApi::createLabel(Mailbox& mailbox, const HttpCall& call)
{
    const auto body = jsonBody(call);
    if (!body)
        return invalidJson();
    const QString name = (*body)[u"name"_s].toString().trimmed();
    if (name.isEmpty())
        return badRequest(u"Invalid label name"_s);
    if (mailbox.labelByName(name))
        return googleerror::api(409, u"Label name exists or conflicts"_s, u"duplicate"_s);
    return HttpReply::json(render::label(*mailbox.label(mailbox.addLabel(name)), nullptr));
}

HttpReply GmailApi::thread(Mailbox& mailbox, const HttpCall& call, const QString& id)
{
    const QString formatName = call.query.value(u"format"_s);
    const auto format = render::formatFromName(formatName);
    if (!format || *format == render::Format::Raw)
        return badRequest(
            u"Invalid value at 'format' (type.googleapis.com/google.apps.gmail.v1.Format), \""_s +
            formatName + u'"');
    if (!GmailMessageRoutes::isValidId(id))
        return invalidId();
    const auto messages = mailbox.thread(id);
    if (messages.isEmpty())
        return notFound();
    return HttpReply::json(
        render::thread(messages, *format, call.query.values(u"metadataHeaders"_s)));
}

HttpReply GmailApi::modifyThread(Mailbox& mailbox, const HttpCall& call, const QString& id)
{
    const auto body = jsonBody(call);
    if (!body)
        return invalidJson();
    if (!GmailMessageRoutes::isValidId(id))
        return invalidId();
    QStringList ids;
    for (const StoredMessage* message : mailbox.thread(id))
        ids.append(message->id);
    if (ids.isEmpty())
        return notFound();
    if (auto failure = GmailMessageRoutes::applyLabels(mailbox, ids, *body))
        return *failure;
    return HttpReply::json(render::thread(mailbox.thread(id), render::Format::Minimal));
}

HttpReply GmailApi::trashThread(Mailbox& mailbox, const QString& id, bool trash)
{
    if (!GmailMessageRoutes::isValidId(id))
        return invalidId();
    const auto messages = mailbox.thread(id);
    if (messages.isEmpty())
        return notFound();
    for (const StoredMessage* message : messages) {
        if (trash)
            mailbox.modify(message->id, {u"TRASH"_s}, {u"INBOX"_s, u"SPAM"_s});
        else
            mailbox.modify(message->id, {}, {u"TRASH"_s});
    }
    return HttpReply::json(render::thread(mailbox.thread(id), render::Format::Minimal));
}

HttpReply GmailApi::history(Mailbox& mailbox, const HttpCall& call)
{
    if (!call.query.has(u"startHistoryId"_s))
        return badRequest(u"Missing required parameter: startHistoryId"_s);
    bool ok = false;
    const quint64 start = call.query.value(u"startHistoryId"_s).toULongLong(&ok);
    if (!ok)
        return badRequest(u"Invalid value at 'start_history_id' (TYPE_UINT64), \""_s +
                          call.query.value(u"startHistoryId"_s) + u'"');
    QList<HistoryLog::Kind> kinds;
    for (const QString& name : call.query.values(u"historyTypes"_s)) {
        const auto kind = HistoryLog::kindFromName(name);
        if (!kind)
            return badRequest(
                u"Invalid value at 'history_types' (type.googleapis.com/google.apps.gmail.v1.HistoryType), \""_s +
                name + u'"');
        kinds.append(*kind);
    }
    int maxResults = 100;
    if (call.query.has(u"maxResults"_s)) {
        maxResults = call.query.value(u"maxResults"_s).toInt(&ok);
        if (!ok || maxResults < 0)
            return badRequest(u"Invalid value at 'max_results' (TYPE_UINT32)"_s);
        maxResults = maxResults == 0 ? 100 : std::min(maxResults, 500);
    }
    quint64 after = 0;
    if (call.query.has(u"pageToken"_s)) {
        const auto token = base64url::decode(call.query.value(u"pageToken"_s).toLatin1());
        after = token ? token->toULongLong(&ok) : 0;
        if (!token || !ok)
            return badRequest(u"Invalid pageToken"_s);
    }
    if (mailbox.history().isExpired(start))
        return notFound();
    const HistoryLog::Page page = mailbox.history().page(start, after, kinds, maxResults);
    QJsonObject answer{{u"historyId"_s, QString::number(mailbox.history().currentId())}};
    QJsonArray records;
    for (const auto& record : page.records)
        records.append(HistoryLog::toJson(record));
    if (!records.isEmpty())
        answer[u"history"_s] = records;
    if (page.continueAfter)
        answer[u"nextPageToken"_s] =
            QString::fromLatin1(base64url::encode(QByteArray::number(*page.continueAfter)));
    return HttpReply::json(answer);
}

} // namespace vesk::fakegoogle
