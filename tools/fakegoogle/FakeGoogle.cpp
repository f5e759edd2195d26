#include "FakeGoogle.h"

#include "DemoImages.h"
#include "GmailApi.h"
#include "GoogleError.h"
#include "GoogleState.h"
#include "HttpFrontend.h"
#include "OAuthApi.h"

#include <QPointer>
#include <QTimer>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

HttpReply route(GoogleState& state, const HttpCall& call)
{
    if (GmailApi::owns(call.path))
        return GmailApi(state).handle(call);
    if (OAuthApi::owns(call.path))
        return OAuthApi(state).handle(call);
    if (DemoImages::owns(call.path))
        return DemoImages::handle(call);
    return googleerror::api(404, u"Not Found"_s, u"notFound"_s);
}

} // namespace

FakeGoogle::FakeGoogle(QObject* parent)
    : QObject(parent)
    , m_state(std::make_unique<GoogleState>())
{
    GoogleState* state = m_state.get();
    m_frontend = std::make_unique<HttpFrontend>(
        *state, [state](const HttpCall& call) { return route(*state, call); });
}

FakeGoogle::~FakeGoogle()
{
    // The server threads use the state: they end before it goes.
    m_frontend.reset();
}

bool FakeGoogle::start(quint16 port)
{
    return m_frontend->start(port);
}

void FakeGoogle::stop()
{
    m_frontend->stop();
}

quint16 FakeGoogle::port() const
{
    return m_frontend->port();
}

QUrl FakeGoogle::baseUrl() const
{
    return QUrl(u"http://127.0.0.1:"_s + QString::number(port()));
}

QUrl FakeGoogle::gmailBaseUrl() const
{
    return baseUrl().resolved(QUrl(u"/gmail/v1/users/me"_s));
}

QUrl FakeGoogle::userInfoUrl() const
{
    return baseUrl().resolved(QUrl(u"/v1/userinfo"_s));
}

QUrl FakeGoogle::authUrl() const
{
    return baseUrl().resolved(QUrl(u"/o/oauth2/v2/auth"_s));
}

QUrl FakeGoogle::tokenUrl() const
{
    return baseUrl().resolved(QUrl(u"/token"_s));
}

QUrl FakeGoogle::revokeUrl() const
{
    return baseUrl().resolved(QUrl(u"/revoke"_s));
}

QString FakeGoogle::defaultScope()
{
    return OAuthRegistry::normaliseScope(
        u"openid email profile https://www.googleapis.com/auth/gmail.modify"_s);
}

void FakeGoogle::registerClient(const QString& clientId, const QString& clientSecret)
{
    std::lock_guard lock(m_state->mutex);
    m_state->oauth.registerClient(clientId, clientSecret);
}

void FakeGoogle::addAccount(const QString& email, const QString& name)
{
    std::lock_guard lock(m_state->mutex);
    m_state->addMailbox(email, name);
}

TokenGrant FakeGoogle::issueTokens(const QString& email, const QString& clientId,
                                   std::chrono::seconds lifetime, const QString& scope)
{
    std::lock_guard lock(m_state->mutex);
    return m_state->oauth.issueTokens(email, clientId, scope, m_state->nowMs(), lifetime.count());
}

void FakeGoogle::setTokenLifetime(std::chrono::seconds lifetime)
{
    std::lock_guard lock(m_state->mutex);
    m_state->tokenLifetimeSeconds = lifetime.count();
}

void FakeGoogle::setConsentAccount(const QString& email)
{
    std::lock_guard lock(m_state->mutex);
    m_state->consentAccount = email;
}

void FakeGoogle::refuseConsent(const QString& error)
{
    std::lock_guard lock(m_state->mutex);
    m_state->consentError = error;
}

void FakeGoogle::allowConsent()
{
    refuseConsent(QString());
}

MessageRef FakeGoogle::addMessage(const QString& email, const QByteArray& rfc822,
                                  const QStringList& labelIds, const QDateTime& internalDate,
                                  const QString& threadId)
{
    std::lock_guard lock(m_state->mutex);
    Mailbox* mailbox = m_state->mailbox(email);
    if (!mailbox)
        return {};
    const qint64 when =
        internalDate.isValid() ? internalDate.toMSecsSinceEpoch() : m_state->nowMs();
    const QString thread = mailbox->thread(threadId).isEmpty() ? QString() : threadId;
    return mailbox->insert(rfc822, labelIds, when, thread);
}

QString FakeGoogle::addLabel(const QString& email, const QString& name)
{
    std::lock_guard lock(m_state->mutex);
    Mailbox* mailbox = m_state->mailbox(email);
    return mailbox ? mailbox->addLabel(name) : QString();
}

QString FakeGoogle::addDraft(const QString& email, const QByteArray& rfc822,
                             const QString& threadId)
{
    std::lock_guard lock(m_state->mutex);
    Mailbox* mailbox = m_state->mailbox(email);
    if (!mailbox)
        return {};
    const QString thread = mailbox->thread(threadId).isEmpty() ? QString() : threadId;
    return mailbox->createDraft(rfc822, thread, m_state->nowMs());
}

MessageRef FakeGoogle::deliverMessage(const QString& email, const QByteArray& rfc822,
                                      const QStringList& labelIds)
{
    MessageRef ref = addMessage(email, rfc822, labelIds);
    if (ref.isValid())
        Q_EMIT messageDelivered(email, ref.id);
    return ref;
}

void FakeGoogle::deliverLater(const QString& email, const QByteArray& rfc822,
                              std::chrono::milliseconds delay)
{
    QTimer::singleShot(delay, this, [this, email, rfc822] { deliverMessage(email, rfc822); });
}

bool FakeGoogle::modifyMessage(const QString& email, const QString& messageId,
                               const QStringList& add, const QStringList& remove)
{
    std::lock_guard lock(m_state->mutex);
    Mailbox* mailbox = m_state->mailbox(email);
    if (!mailbox || !mailbox->message(messageId))
        return false;
    return !mailbox->modify(messageId, add, remove).has_value();
}

bool FakeGoogle::deleteMessage(const QString& email, const QString& messageId)
{
    std::lock_guard lock(m_state->mutex);
    Mailbox* mailbox = m_state->mailbox(email);
    if (!mailbox || !mailbox->message(messageId))
        return false;
    mailbox->remove(messageId);
    return true;
}

quint64 FakeGoogle::historyId(const QString& email) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    return mailbox ? mailbox->history().currentId() : 0;
}

void FakeGoogle::expireHistoryBefore(const QString& email, quint64 historyId)
{
    std::lock_guard lock(m_state->mutex);
    if (Mailbox* mailbox = m_state->mailbox(email))
        mailbox->history().expireBefore(historyId);
}

void FakeGoogle::restartHistoryAt(const QString& email, quint64 historyId)
{
    std::lock_guard lock(m_state->mutex);
    if (Mailbox* mailbox = m_state->mailbox(email))
        mailbox->history().restartAt(historyId);
}

QStringList FakeGoogle::messageIds(const QString& email) const
{
    std::lock_guard lock(m_state->mutex);
    QStringList ids;
    if (const Mailbox* mailbox = m_state->mailbox(email)) {
        for (const StoredMessage* message : mailbox->newestFirst())
            ids.append(message->id);
    }
    return ids;
}

QStringList FakeGoogle::labelIds(const QString& email, const QString& messageId) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    const StoredMessage* message = mailbox ? mailbox->message(messageId) : nullptr;
    return message ? message->labelIds : QStringList();
}

QString FakeGoogle::threadId(const QString& email, const QString& messageId) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    const StoredMessage* message = mailbox ? mailbox->message(messageId) : nullptr;
    return message ? message->threadId : QString();
}

QByteArray FakeGoogle::rawMessage(const QString& email, const QString& messageId) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    const StoredMessage* message = mailbox ? mailbox->message(messageId) : nullptr;
    return message ? message->raw : QByteArray();
}

QStringList FakeGoogle::draftIds(const QString& email) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    return mailbox ? mailbox->draftIds() : QStringList();
}

void FakeGoogle::addFault(const FaultRule& rule)
{
    std::lock_guard lock(m_state->mutex);
    m_state->faults.add(rule);
}

void FakeGoogle::failNext(const QString& pathPattern, int status, int times)
{
    FaultRule rule;
    rule.pathPattern = pathPattern;
    rule.status = status;
    rule.times = times;
    addFault(rule);
}

void FakeGoogle::setLatency(std::chrono::milliseconds latency)
{
    std::lock_guard lock(m_state->mutex);
    m_state->faults.setLatency(int(latency.count()));
}

void FakeGoogle::clearFaults()
{
    std::lock_guard lock(m_state->mutex);
    m_state->faults.clear();
    m_state->faults.setLatency(0);
}

void FakeGoogle::setQuotaModel(QuotaModel model)
{
    std::lock_guard lock(m_state->mutex);
    m_state->quota.setModel(model);
}

void FakeGoogle::setQuotaLimit(int units, std::chrono::milliseconds window)
{
    std::lock_guard lock(m_state->mutex);
    m_state->quota.setLimit(units, window.count());
}

qint64 FakeGoogle::unitsSpent(const QString& email) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    return mailbox ? m_state->quota.unitsSpent(mailbox->email()) : 0;
}

int FakeGoogle::quotaRefusals(const QString& email) const
{
    std::lock_guard lock(m_state->mutex);
    const Mailbox* mailbox = m_state->mailbox(email);
    return mailbox ? m_state->quota.refusals(mailbox->email()) : 0;
}

void FakeGoogle::resetUnits()
{
    std::lock_guard lock(m_state->mutex);
    m_state->quota.reset();
}

void FakeGoogle::setClock(Clock clock)
{
    std::lock_guard lock(m_state->mutex);
    if (clock)
        m_state->clock = [clock] { return clock().toMSecsSinceEpoch(); };
    else
        m_state->clock = nullptr;
}

QList<RecordedRequest> FakeGoogle::requests() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->log;
}

void FakeGoogle::clearRequests()
{
    std::lock_guard lock(m_state->mutex);
    m_state->log.clear();
}

} // namespace vesk::fakegoogle
