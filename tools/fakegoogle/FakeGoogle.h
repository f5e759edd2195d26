#pragma once

#include "FaultRule.h"
#include "MessageRef.h"
#include "QuotaModel.h"
#include "RecordedRequest.h"
#include "TokenGrant.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

namespace vesk::fakegoogle {

struct GoogleState;
class HttpFrontend;

// A local stand-in for Google's Gmail API v1, OAuth 2.0 and userinfo
// endpoints, served over HTTP/1.1 on 127.0.0.1. It answers as Google does
// (shapes, status codes, error bodies, history, quota), not as any one client
// expects, so tests meet Google's behaviour, faults included.
//
// Ownership and threading: create it on the thread that runs the test (or the
// program's main thread). The server answers on its own threads; every
// operation below is thread-safe and sees one consistent mailbox state, so a
// test may block on a request while the server works. deliverLater() uses a
// timer of the owning thread's event loop.
//
// Gmail base for a client: gmailBaseUrl() = <base>/gmail/v1/users/me.
// Paths served: /gmail/v1/users/{me|address}/ profile, labels[/{id}],
// messages[/{id}[/modify|/trash|/untrash|/attachments/{id}]], messages/send, messages/batchModify,
// threads/{id}[/modify|/trash|/untrash], drafts[/{id}|/send], history;
// /o/oauth2/v2/auth, /token, /revoke, /v1/userinfo; and the demo newsletter's
// pictures, /demo-images/{name}.png (see DemoImages).
class FakeGoogle final : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit FakeGoogle(QObject* parent = nullptr);
    ~FakeGoogle() override;

    // Listening on 127.0.0.1; port 0 picks a free port.
    bool start(quint16 port = 0);
    void stop();
    quint16 port() const;

    QUrl baseUrl() const; // http://127.0.0.1:<port>
    QUrl gmailBaseUrl() const;
    QUrl userInfoUrl() const;
    QUrl authUrl() const;
    QUrl tokenUrl() const;
    QUrl revokeUrl() const;

    // --- identity and OAuth ---
    static QString defaultScope(); // openid, email, profile and Gmail modify, as granted
    void registerClient(const QString& clientId, const QString& clientSecret);
    void addAccount(const QString& email, const QString& name);
    // Tokens as if the account had consented to `clientId` just now.
    TokenGrant issueTokens(const QString& email, const QString& clientId,
                           std::chrono::seconds lifetime = std::chrono::seconds(3599),
                           const QString& scope = defaultScope());
    void setTokenLifetime(std::chrono::seconds lifetime); // for the token endpoint
    void setConsentAccount(const QString& email); // who signs in; default: login_hint, else first
    void refuseConsent(const QString& error = QStringLiteral("access_denied"));
    void allowConsent();

    // --- mailbox ---
    // Files RFC 5322 text with labels; `threadId` must name an existing thread
    // or be empty (a new thread). Raises the history id like any change.
    // An unknown account gives an invalid MessageRef.
    MessageRef addMessage(const QString& email, const QByteArray& rfc822,
                          const QStringList& labelIds, const QDateTime& internalDate = {},
                          const QString& threadId = {});
    QString addLabel(const QString& email, const QString& name); // returns the label id
    // A draft as drafts.create would file it; returns the draft id.
    QString addDraft(const QString& email, const QByteArray& rfc822, const QString& threadId = {});
    // A new message arriving now, in INBOX and UNREAD unless told otherwise.
    MessageRef deliverMessage(const QString& email, const QByteArray& rfc822,
                              const QStringList& labelIds = {QStringLiteral("INBOX"),
                                                             QStringLiteral("UNREAD")});
    void deliverLater(const QString& email, const QByteArray& rfc822,
                      std::chrono::milliseconds delay);
    // Changes as another client of the account would make them (the web
    // interface, a phone), recorded in the history like any change. False
    // when the message or a label does not exist.
    bool modifyMessage(const QString& email, const QString& messageId, const QStringList& add,
                       const QStringList& remove);
    bool deleteMessage(const QString& email, const QString& messageId);

    quint64 historyId(const QString& email) const;
    void expireHistoryBefore(const QString& email, quint64 historyId);
    /// The mailbox's history goes on from `historyId` (when higher), and
    /// no earlier start id is answered.
    void restartHistoryAt(const QString& email, quint64 historyId);
    QStringList messageIds(const QString& email) const; // newest first
    QStringList labelIds(const QString& email, const QString& messageId) const;
    QString threadId(const QString& email, const QString& messageId) const;
    QByteArray rawMessage(const QString& email, const QString& messageId) const;
    QStringList draftIds(const QString& email) const;

    // --- faults ---
    void addFault(const FaultRule& rule);
    void failNext(const QString& pathPattern, int status, int times = 1); // shorthand
    void setLatency(std::chrono::milliseconds latency);
    void clearFaults();

    // --- quota ---
    void setQuotaModel(QuotaModel model);
    // A tighter limit than Google publishes (QuotaModel::Tight), refused
    // without a Retry-After: what a client meets when others share the quota.
    void setQuotaLimit(int units, std::chrono::milliseconds window);
    qint64 unitsSpent(const QString& email) const;
    int quotaRefusals(const QString& email) const; // calls refused for a full window
    void resetUnits();

    // The stand-in's clock (token expiry, quota window, dates of delivered
    // mail). Default: the system clock.
    void setClock(Clock clock);

    // --- request log ---
    QList<RecordedRequest> requests() const;
    void clearRequests();

Q_SIGNALS:
    void messageDelivered(const QString& email, const QString& messageId);

private:
    std::unique_ptr<GoogleState> m_state;
    std::unique_ptr<HttpFrontend> m_frontend;
};

} // namespace vesk::fakegoogle
