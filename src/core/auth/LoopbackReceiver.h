#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace vesk {

class OAuthError;
class PendingText;

/// A one-shot HTTP listener on 127.0.0.1 that receives the browser's redirect
/// at the end of Google's sign-in. Every request gets a small Portuguese page;
/// the wait for the code is settled exactly once: with the code, Google's
/// error, a state mismatch, a cancellation, or the time-out (300 s).
///
/// The code alone does not link an account, so the browser's code redirect
/// is held unanswered until the linking is concluded, and then told the
/// outcome. A settling error, cancel, the time-out and the receiver's end
/// conclude it too, so no held browser waits for ever. The time-out runs
/// from the start of the wait until the conclusion.
///
/// Owned by the OAuth service for one attempt. Lives on, and is used from,
/// the thread that created it (the GUI thread). The settlement is guarded by a
/// lock: the check-and-set of "finished" and the hand-over of the waiter are
/// atomic, and the waiter is resumed outside the lock.
class LoopbackReceiver final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds s_defaultTimeout = std::chrono::seconds(300);
    /// Enough for any browser's request head; more is answered without reading on.
    static constexpr qsizetype s_maxHeadBytes = 64 * 1024;

    explicit LoopbackReceiver(std::chrono::milliseconds timeout = s_defaultTimeout,
                              QObject* parent = nullptr);
    ~LoopbackReceiver() override;

    /// Opens the listener on a port the system picks and returns it. Fails with
    /// NetworkError when it cannot listen, and with OAuthError::cancelled once
    /// the receiver has been cancelled.
    QCoro::Task<quint16> start();

    /// Waits for the settlement: the authorisation code, or the settling error
    /// (OAuthError). The time-out runs from this call. Fails at once with
    /// cancelled when the receiver was settled before anyone waited.
    QCoro::Task<QString> waitForCode(QString expectedState);

    /// Settles with cancelled (unless already settled), concludes with
    /// cancelled (unless already concluded) and closes the listener.
    void cancel();

    /// Answers the held code redirects, and any later one, with the outcome of
    /// the linking: the linked page without `failure`, else the failure page
    /// carrying its text. Only the first conclusion counts; returns whether
    /// this one did.
    bool concludeLinking(const std::optional<QString>& failure);
    bool isConcluded() const { return m_conclusion.has_value(); }

    bool isListening() const;
    /// Stops accepting connections; requests already read are still answered.
    void closeListener();

private:
    void acceptConnections();
    void readHead(QTcpSocket* socket);
    void respond(QTcpSocket* socket);
    static void answer(QTcpSocket* socket, const QByteArray& response);
    void finishWithCode(const QString& code);
    void finishWithError(const OAuthError& error);
    void endAsCancelled();
    bool claimSettlement(std::shared_ptr<PendingText>& waiter);

    std::chrono::milliseconds m_timeoutInterval;
    QPointer<QTcpServer> m_listener;
    QTimer* m_timeout = nullptr;
    QString m_expectedState;
    /// Request heads being read, by connection; a connection leaves on its answer.
    QHash<QTcpSocket*, QByteArray> m_heads;
    /// Code redirects read before the conclusion; a peer that left is null.
    QList<QPointer<QTcpSocket>> m_held;
    /// The answer to every code redirect, once the linking is concluded.
    std::optional<QByteArray> m_conclusion;

    QMutex m_lock; // guards m_finished and m_waiter
    bool m_finished = false;
    std::shared_ptr<PendingText> m_waiter;
};

} // namespace vesk
