#pragma once

#include "OutboxMessage.h"
#include "sync/RetryTimer.h"
#include "sync/SessionError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace vesk {

class GmailAPIClient;
class QuotaPacer;

/// One account's "Caixa de saída": messages sent while Google could not take
/// them, each kept in a private file of its own (attachments included) in a
/// folder beside the cache, and sent one after another, oldest first, as
/// soon as Google can be reached.
///
/// - A passing failure keeps the message and tries again after a growing
///   pause, or at once on send().
/// - A refusal (an address Gmail will not take, say) holds the message with
///   the reason, for the person to change it; refused() says so.
/// - Until it goes, take() hands a message back for a composer to change,
///   or to cancel it.
///
/// Owned by the account's session (its QObject parent), on the GUI thread.
/// With an empty folder it keeps its messages in memory only.
class Outbox final : public QObject
{
    Q_OBJECT

public:
    Outbox(QString accountEmail, std::shared_ptr<GmailAPIClient> api,
           std::shared_ptr<QuotaPacer> pacer, QString folder, QObject* parent = nullptr);
    ~Outbox() override;

    /// "outbox" in the folder of the cache at `cacheFilePath`; empty for an
    /// empty path.
    static QString folderBesideCache(const QString& cacheFilePath);

    /// Oldest first.
    const QList<OutboxMessage>& messages() const { return m_messages; }
    /// Files in the folder that did not decode, renamed aside at start.
    const QStringList& damagedFiles() const { return m_damaged; }
    bool isSending() const { return m_sending.has_value(); }

    /// Keeps the message (written to disk before this returns) and, with
    /// `sendNow`, sends what waits (without it, the next send() does). False
    /// when it could not be written: it is then kept in memory only.
    bool add(OutboxMessage message, bool sendNow = true);
    /// Takes a message out to change or cancel it; none when it is on its
    /// way now (see attemptEnded()) or gone.
    std::optional<OutboxMessage> take(const QUuid& id);
    bool isSending(const QUuid& id) const { return m_sending == id; }
    /// Sends what waits, now; returns once the outbox is empty, holds only
    /// refused messages, or a passing failure stopped it.
    QCoro::Task<> send();
    void stop();
    /// Forgets every message and deletes the folder, when the account goes.
    void wipe();

Q_SIGNALS:
    void changed();
    /// A message reached Gmail.
    void messageSent(QUuid id);
    /// An attempt to send a message ended, whichever way.
    void attemptEnded(QUuid id);
    /// Gmail refused a message for good; it stays, held, with the reason.
    void messageRefused(vesk::OutboxMessage message);

private:
    void load();
    bool save(const OutboxMessage& message) const;
    void forget(const QUuid& id);
    void startSending();
    std::optional<OutboxMessage> find(const QUuid& id) const;
    /// Changes a kept message in place, on disk too.
    void update(const QUuid& id, const std::function<void(OutboxMessage&)>& change);
    std::optional<OutboxMessage> nextToSend() const;
    QCoro::Task<> sendOne(OutboxMessage message);

    const QString m_accountEmail;
    const std::shared_ptr<GmailAPIClient> m_api;
    const std::shared_ptr<QuotaPacer> m_pacer;
    const QString m_folder;
    QList<OutboxMessage> m_messages;
    QStringList m_damaged;
    std::optional<QUuid> m_sending;
    bool m_sendAgain = false;
    bool m_stopped = false;
    RetryTimer m_retry;
};

} // namespace vesk
