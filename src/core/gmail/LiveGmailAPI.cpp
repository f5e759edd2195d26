#include "LiveGmailAPI.h"

#include "AccessTokenProviding.h"
#include "Base64Url.h"
#include "GmailError.h"
#include "json/JsonWriter.h"
#include "model/SystemLabels.h"
#include "net/GoogleErrorBody.h"
#include "net/HTTPTransport.h"
#include "net/RetryDecision.h"

#include <QCoreApplication>
#include <QCoroTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vesk {

namespace {

QByteArray jsonBody(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The JSON of a message resource, written around `raw` (base64url, which
// needs no escaping) in one buffer of the final size: the raw text of a large
// message is tens of megabytes, and a JSON document of it would copy it
// several times. `raw` is released here so that at most two copies exist.
QByteArray messageBody(QByteArray raw, const std::optional<QString>& threadId, bool asDraft)
{
    QByteArray tail = "\"";
    if (threadId) {
        tail += ",\"threadId\":";
        JsonWriter(tail).value(*threadId);
    }
    tail += asDraft ? "}}" : "}";
    const QByteArray head = asDraft ? "{\"message\":{\"raw\":\"" : "{\"raw\":\"";
    QByteArray body;
    body.reserve(head.size() + raw.size() + tail.size());
    body += head;
    body += raw;
    raw = QByteArray();
    body += tail;
    return body;
}

/// An id as one segment of a path: ids come from answers and files, and one
/// holding a slash or a question mark must not reach another address.
QString segment(const QString& id)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(id));
}

HTTPRequest authorizedRequest(const QByteArray& method, const QUrl& url, const QString& token,
                              const std::optional<QByteArray>& body)
{
    HTTPRequest request;
    request.url = url;
    request.method = method;
    request.headers.append({QByteArrayLiteral("Authorization"), "Bearer " + token.toUtf8()});
    if (body) {
        request.body = body;
        request.headers.append({QByteArrayLiteral("Content-Type"), "application/json"});
    }
    return request;
}

} // namespace

LiveGmailAPI::LiveGmailAPI(std::shared_ptr<HTTPTransport> transport,
                           std::shared_ptr<AccessTokenProviding> tokenProvider,
                           GmailEndpoints endpoints, RetryPolicy retryPolicy, WallClock clock)
    : m_transport(std::move(transport))
    , m_tokenProvider(std::move(tokenProvider))
    , m_endpoints(std::move(endpoints))
    , m_retryPolicy(retryPolicy)
    , m_clock(std::move(clock))
{}

QUrl LiveGmailAPI::address(const QString& path, const Query& query) const
{
    QUrl url(m_endpoints.gmailBase.toString() + path, QUrl::StrictMode);
    if (!url.isValid())
        throw GmailError::transport(
            QCoreApplication::translate("vesk::LiveGmailAPI", "endereço inválido"));
    if (!query.isEmpty()) {
        // Encode everything but unreserved characters: a "+" left bare in a
        // search would reach Google as a space.
        QStringList items;
        for (const auto& [name, value] : query)
            items.append(QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' +
                                             QUrl::toPercentEncoding(value)));
        url.setQuery(items.join(u'&'), QUrl::StrictMode);
    }
    return url;
}

QCoro::Task<QByteArray> LiveGmailAPI::request(QByteArray method, QString path, Query query,
                                              std::optional<QByteArray> body,
                                              ProgressCallback onBytes)
{
    // Everything used after a suspension is held here, not reached through
    // `this`: the owner may drop the client while a call is under way.
    const std::shared_ptr<HTTPTransport> transport = m_transport;
    const std::shared_ptr<AccessTokenProviding> tokens = m_tokenProvider;
    const RetryPolicy policy = m_retryPolicy;
    const WallClock clock = m_clock;
    const QUrl url = address(path, query);

    QString token = co_await tokens->validAccessToken();
    bool mayRetryUnauthorized = true;
    for (int attempt = 1;; ++attempt) {
        HTTPRequest outgoing = authorizedRequest(method, url, token, body);
        outgoing.onProgress = onBytes;
        const HTTPResponse response = co_await transport->send(std::move(outgoing));
        if (!response.statusCode)
            throw GmailError::transport(
                QCoreApplication::translate("vesk::LiveGmailAPI", "resposta sem HTTP"));
        const int status = *response.statusCode;
        if (status == 401 && mayRetryUnauthorized) {
            mayRetryUnauthorized = false;
            co_await tokens->invalidateAccessToken();
            token = co_await tokens->validAccessToken();
            --attempt; // the token retry does not count against the backoff budget
            continue;
        }
        if (status == 404 && path.startsWith(u"/history"))
            throw GmailError::historyExpired();
        if (status >= 200 && status <= 299)
            co_return response.body;
        // Read once, here: the retry and every later judgement use its fields.
        GoogleErrorBody refusal = GoogleErrorBody::parse(status, response.body);
        const QDateTime now = clock();
        const auto delay = retryDelay(response, refusal, method, path, attempt, policy, now);
        if (!delay)
            throw GmailError::http(std::move(refusal), retryAfter(response, now));
        co_await QCoro::sleepFor(*delay);
    }
}

QCoro::Task<std::optional<QString>> LiveGmailAPI::userName()
{
    const std::shared_ptr<HTTPTransport> transport = m_transport;
    const QUrl url = m_endpoints.userInfo;
    const QString token = co_await m_tokenProvider->validAccessToken();
    const HTTPResponse response =
        co_await transport->send(authorizedRequest("GET", url, token, std::nullopt));
    if (!response.statusCode)
        throw GmailError::transport(
            QCoreApplication::translate("vesk::LiveGmailAPI", "resposta sem HTTP"));
    if (*response.statusCode < 200 || *response.statusCode > 299)
        co_return std::nullopt;
    try {
        co_return decodeWire<UserInfoDTO>(response.body).name;
    } catch (const GmailError&) {
        co_return std::nullopt;
    }
}

QCoro::Task<GmailProfileDTO> LiveGmailAPI::profile()
{
    co_return decodeWire<GmailProfileDTO>(
        co_await request("GET", QStringLiteral("/profile"), Query(), std::nullopt));
}

QCoro::Task<QList<LabelInfo>> LiveGmailAPI::labels()
{
    // Gmail's label list carries no counts; the inbox's unread count (the
    // badge, the sidebar) has to be asked for separately. Both go out at
    // once: the first synchronisation waits for the labels, and a round trip
    // of its own for the inbox would be one more wait.
    QCoro::Task<QByteArray> inboxCall =
        request("GET", QStringLiteral("/labels/INBOX"), Query(), std::nullopt);
    std::optional<LabelListDTO> list;
    std::exception_ptr listFailure;
    try {
        list = decodeWire<LabelListDTO>(
            co_await request("GET", QStringLiteral("/labels"), Query(), std::nullopt));
    } catch (...) {
        listFailure = std::current_exception();
    }
    // Awaited whatever happened to the list: the call must not outlive us.
    std::optional<LabelListDTO::Label> inbox;
    std::exception_ptr inboxFailure;
    try {
        inbox = decodeWire<LabelListDTO::Label>(co_await std::move(inboxCall));
    } catch (...) {
        inboxFailure = std::current_exception();
    }
    if (listFailure)
        std::rethrow_exception(listFailure);
    for (LabelListDTO::Label& label : list->labels) {
        if (label.id == SystemLabels::inbox() && !label.messagesUnread) {
            if (inboxFailure)
                std::rethrow_exception(inboxFailure);
            label = *inbox;
            break;
        }
    }
    QList<LabelInfo> labels;
    labels.reserve(list->labels.size());
    for (const LabelListDTO::Label& label : list->labels)
        labels.append(LabelInfo{label.id, label.name, label.type.value_or(QStringLiteral("user")),
                                label.messagesTotal.value_or(0), label.messagesUnread.value_or(0)});
    co_return labels;
}

QCoro::Task<MessageListDTO> LiveGmailAPI::listMessages(std::optional<QString> query,
                                                       QStringList labelIds, int maxResults,
                                                       std::optional<QString> pageToken)
{
    Query items{{QStringLiteral("maxResults"), QString::number(maxResults)}};
    if (query && !query->isEmpty())
        items.append({QStringLiteral("q"), *query});
    for (const QString& label : labelIds)
        items.append({QStringLiteral("labelIds"), label});
    if (pageToken)
        items.append({QStringLiteral("pageToken"), *pageToken});
    co_return decodeWire<MessageListDTO>(
        co_await request("GET", QStringLiteral("/messages"), items, std::nullopt));
}

QCoro::Task<MessageDTO> LiveGmailAPI::getMessage(QString id, QString format)
{
    Query items{{QStringLiteral("format"), format}};
    if (format == u"metadata") {
        for (const char16_t* header : {u"From", u"Subject", u"Date", u"To", u"Cc"})
            items.append({QStringLiteral("metadataHeaders"), QString::fromUtf16(header)});
    }
    co_return decodeWire<MessageDTO>(
        co_await request("GET", QStringLiteral("/messages/") + segment(id), items, std::nullopt));
}

QCoro::Task<ThreadDTO> LiveGmailAPI::getThread(QString id)
{
    const Query items{{QStringLiteral("format"), QStringLiteral("full")}};
    co_return decodeWire<ThreadDTO>(
        co_await request("GET", QStringLiteral("/threads/") + segment(id), items, std::nullopt));
}

QCoro::Task<HistoryListDTO> LiveGmailAPI::listHistory(QString startHistoryId,
                                                      std::optional<QString> pageToken)
{
    Query items{{QStringLiteral("startHistoryId"), startHistoryId}};
    for (const char16_t* type :
         {u"messageAdded", u"messageDeleted", u"labelAdded", u"labelRemoved"})
        items.append({QStringLiteral("historyTypes"), QString::fromUtf16(type)});
    if (pageToken)
        items.append({QStringLiteral("pageToken"), *pageToken});
    co_return decodeWire<HistoryListDTO>(
        co_await request("GET", QStringLiteral("/history"), items, std::nullopt));
}

QCoro::Task<MessageDTO> LiveGmailAPI::sendMessage(QByteArray raw, std::optional<QString> threadId)
{
    QByteArray body = messageBody(std::move(raw), threadId, false);
    co_return decodeWire<MessageDTO>(
        co_await request("POST", QStringLiteral("/messages/send"), Query(), std::move(body)));
}

QCoro::Task<DraftDTO> LiveGmailAPI::createDraft(QByteArray raw, std::optional<QString> threadId)
{
    QByteArray body = messageBody(std::move(raw), threadId, true);
    co_return decodeWire<DraftDTO>(
        co_await request("POST", QStringLiteral("/drafts"), Query(), std::move(body)));
}

QCoro::Task<DraftDTO> LiveGmailAPI::updateDraft(QString id, QByteArray raw,
                                                std::optional<QString> threadId)
{
    QByteArray body = messageBody(std::move(raw), threadId, true);
    co_return decodeWire<DraftDTO>(co_await request("PUT", QStringLiteral("/drafts/") + segment(id),
                                                    Query(), std::move(body)));
}

QCoro::Task<DraftDTO> LiveGmailAPI::getDraft(QString id, QString format)
{
    const Query items{{QStringLiteral("format"), format}};
    co_return decodeWire<DraftDTO>(
        co_await request("GET", QStringLiteral("/drafts/") + segment(id), items, std::nullopt));
}

QCoro::Task<DraftListDTO> LiveGmailAPI::listDrafts(std::optional<QString> pageToken)
{
    Query items{{QStringLiteral("maxResults"), QStringLiteral("500")}};
    if (pageToken)
        items.append({QStringLiteral("pageToken"), *pageToken});
    co_return decodeWire<DraftListDTO>(
        co_await request("GET", QStringLiteral("/drafts"), items, std::nullopt));
}

QCoro::Task<void> LiveGmailAPI::deleteDraft(QString id)
{
    co_await request("DELETE", QStringLiteral("/drafts/") + segment(id), Query(), std::nullopt);
}

QCoro::Task<MessageDTO> LiveGmailAPI::sendDraft(QString id)
{
    const QJsonObject body{{QStringLiteral("id"), id}};
    co_return decodeWire<MessageDTO>(
        co_await request("POST", QStringLiteral("/drafts/send"), Query(), jsonBody(body)));
}

QCoro::Task<void> LiveGmailAPI::modifyThread(QString id, QStringList add, QStringList remove)
{
    const QJsonObject body{{QStringLiteral("addLabelIds"), QJsonArray::fromStringList(add)},
                           {QStringLiteral("removeLabelIds"), QJsonArray::fromStringList(remove)}};
    co_await request("POST", QStringLiteral("/threads/%1/modify").arg(segment(id)), Query(),
                     jsonBody(body));
}

QCoro::Task<void> LiveGmailAPI::batchModifyMessages(QStringList ids, QStringList add,
                                                    QStringList remove)
{
    const QJsonObject body{{QStringLiteral("ids"), QJsonArray::fromStringList(ids)},
                           {QStringLiteral("addLabelIds"), QJsonArray::fromStringList(add)},
                           {QStringLiteral("removeLabelIds"), QJsonArray::fromStringList(remove)}};
    co_await request("POST", QStringLiteral("/messages/batchModify"), Query(), jsonBody(body));
}

QCoro::Task<void> LiveGmailAPI::trashThread(QString id)
{
    co_await request("POST", QStringLiteral("/threads/%1/trash").arg(segment(id)), Query(),
                     std::nullopt);
}

QCoro::Task<void> LiveGmailAPI::untrashThread(QString id)
{
    co_await request("POST", QStringLiteral("/threads/%1/untrash").arg(segment(id)), Query(),
                     std::nullopt);
}

QByteArray LiveGmailAPI::attachmentBytes(const QByteArray& answer)
{
    const auto attachment = decodeWire<AttachmentDTO>(answer);
    if (!attachment.data)
        throw GmailError::decoding(
            QCoreApplication::translate("vesk::LiveGmailAPI", "anexo sem dados"));
    std::optional<QByteArray> bytes = decodeBase64Url(*attachment.data);
    if (!bytes)
        throw GmailError::decoding(
            QCoreApplication::translate("vesk::LiveGmailAPI", "anexo sem dados"));
    return std::move(*bytes);
}

QCoro::Task<QByteArray> LiveGmailAPI::attachmentData(QString messageId, QString attachmentId)
{
    co_return attachmentBytes(co_await request("GET",
                                               QStringLiteral("/messages/%1/attachments/%2")
                                                   .arg(segment(messageId), segment(attachmentId)),
                                               Query(), std::nullopt));
}

QCoro::Task<QByteArray> LiveGmailAPI::attachmentDataWithProgress(QString messageId,
                                                                 QString attachmentId,
                                                                 ProgressCallback onBytes)
{
    // Through the same transport as every other call, with its token retry
    // and backoff; a retried download reports its pieces from the start again.
    QCoro::Task<QByteArray> pending = request("GET",
                                              QStringLiteral("/messages/%1/attachments/%2")
                                                  .arg(segment(messageId), segment(attachmentId)),
                                              Query(), std::nullopt, std::move(onBytes));
    const QByteArray answer = co_await std::move(pending);
    co_return attachmentBytes(answer);
}

} // namespace vesk
