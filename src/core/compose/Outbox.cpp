#include "Outbox.h"

#include "DraftDelivery.h"
#include "MIMEBuilder.h"
#include "model/PrivateFile.h"
#include "sync/SendOutcome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace vesk {

namespace {

/// Larger files are not read: a message with Gmail's 25 MB of attachments
/// takes about 34 MB written out.
constexpr qint64 s_maxFileSize = 64 * 1024 * 1024;

} // namespace

Outbox::Outbox(QString accountEmail, std::shared_ptr<GmailAPIClient> api,
               std::shared_ptr<QuotaPacer> pacer, QString folder, QObject* parent)
    : QObject(parent)
    , m_accountEmail(std::move(accountEmail))
    , m_api(std::move(api))
    , m_pacer(std::move(pacer))
    , m_folder(std::move(folder))
    , m_retry([this] {
        if (!m_stopped)
            startSending();
    })
{
    load();
}

Outbox::~Outbox() = default;

QString Outbox::folderBesideCache(const QString& cacheFilePath)
{
    if (cacheFilePath.isEmpty())
        return {};
    return QFileInfo(cacheFilePath).dir().filePath(QStringLiteral("outbox"));
}

void Outbox::load()
{
    if (m_folder.isEmpty())
        return;
    const QDir folder(m_folder);
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*.json")}, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& info : files) {
        QFile file(info.filePath());
        std::optional<OutboxMessage> message;
        if (info.size() <= s_maxFileSize && file.open(QIODevice::ReadOnly))
            message = OutboxMessage::decode(file.readAll());
        file.close();
        // Only a file named after its own message counts as one: another
        // name could make two files the same message.
        if (message && info.completeBaseName() == message->id.toString(QUuid::WithoutBraces)) {
            m_messages.append(std::move(*message));
            continue;
        }
        const QString aside = info.filePath() + QStringLiteral(".damaged");
        if (QFile::rename(info.filePath(), aside))
            m_damaged.append(aside);
    }
    std::sort(
        m_messages.begin(), m_messages.end(),
        [](const OutboxMessage& a, const OutboxMessage& b) { return a.queuedAt < b.queuedAt; });
}

bool Outbox::save(const OutboxMessage& message) const
{
    if (m_folder.isEmpty())
        return true;
    return PrivateFile::makeFolder(m_folder) &&
           PrivateFile::write(
               QDir(m_folder).filePath(message.id.toString(QUuid::WithoutBraces) + u".json"),
               message.encode());
}

void Outbox::forget(const QUuid& id)
{
    m_messages.removeIf([&id](const OutboxMessage& m) { return m.id == id; });
    if (!m_folder.isEmpty())
        QFile::remove(QDir(m_folder).filePath(id.toString(QUuid::WithoutBraces) + u".json"));
}

bool Outbox::add(OutboxMessage message, bool sendNow)
{
    if (message.id.isNull())
        message.id = QUuid::createUuid();
    if (!message.queuedAt.isValid())
        message.queuedAt = QDateTime::currentDateTimeUtc();
    const bool written = save(message);
    m_messages.append(std::move(message));
    Q_EMIT changed();
    if (!sendNow)
        return written;
    startSending();
    return written;
}

void Outbox::startSending()
{
    // Started, not awaited: the caller goes on while it sends.
    [](QPointer<Outbox> outbox) -> QCoro::Task<> {
        try {
            if (outbox)
                co_await outbox->send();
        } catch (...) {
            // send() keeps its failures with the messages; nothing may
            // escape a detached task.
        }
    }(this);
}

std::optional<OutboxMessage> Outbox::find(const QUuid& id) const
{
    const auto it = std::find_if(m_messages.cbegin(), m_messages.cend(),
                                 [&id](const OutboxMessage& m) { return m.id == id; });
    if (it == m_messages.cend())
        return std::nullopt;
    return *it;
}

std::optional<OutboxMessage> Outbox::take(const QUuid& id)
{
    if (m_sending == id)
        return std::nullopt;
    std::optional<OutboxMessage> message = find(id);
    if (!message)
        return std::nullopt;
    forget(id);
    Q_EMIT changed();
    return message;
}

void Outbox::stop()
{
    m_stopped = true;
    m_retry.cancel();
}

void Outbox::wipe()
{
    stop();
    m_messages.clear();
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    Q_EMIT changed();
}

QCoro::Task<> Outbox::send()
{
    if (m_sending) {
        m_sendAgain = true;
        co_return;
    }
    m_retry.cancel();
    QPointer<Outbox> self(this);
    bool stalled = false;
    while (!stalled && !m_stopped) {
        // A copy: the list may change while it is on its way.
        const std::optional<OutboxMessage> next = nextToSend();
        if (!next)
            break;
        const OutboxMessage& message = *next;
        m_sending = message.id;
        std::optional<SendOutcome> outcome;
        SessionError reason;
        try {
            co_await sendOne(message);
        } catch (const std::exception& error) {
            outcome = sendOutcomeOf(error);
            reason = SessionError::from(error);
        }
        if (!self)
            co_return;
        m_sending.reset();
        Q_EMIT attemptEnded(message.id);
        if (!outcome) {
            forget(message.id);
            m_retry.succeeded();
            Q_EMIT changed();
            Q_EMIT messageSent(message.id);
        } else if (outcome == SendOutcome::Retry) {
            stalled = true;
        } else {
            update(message.id, [&reason](OutboxMessage& held) { held.refusal = reason.text; });
            if (const std::optional<OutboxMessage> held = find(message.id)) {
                Q_EMIT changed();
                Q_EMIT messageRefused(*held);
            }
        }
    }
    if (stalled)
        m_retry.plan();
    else if (std::exchange(m_sendAgain, false))
        co_await send();
}

std::optional<OutboxMessage> Outbox::nextToSend() const
{
    const auto next = std::find_if(m_messages.cbegin(), m_messages.cend(),
                                   [](const OutboxMessage& m) { return !m.isHeld(); });
    if (next == m_messages.cend())
        return std::nullopt;
    return *next;
}

QCoro::Task<> Outbox::sendOne(OutboxMessage message)
{
    QByteArray raw = MIMEBuilder::buildRaw(
        m_accountEmail, MIMEBuilder::splitAddresses(message.to),
        MIMEBuilder::splitAddresses(message.cc), MIMEBuilder::splitAddresses(message.bcc),
        message.subject, message.body, message.attachments, message.inReplyTo, message.references);
    auto state = std::make_shared<DeliveryState>(message.delivery);
    QPointer<Outbox> self(this);
    // On disk before each next request: after a crash or a lost answer, the
    // next attempt knows whether the draft may already have been sent.
    const auto keep = [self, id = message.id, state] {
        if (self)
            self->update(id, [&state](OutboxMessage& kept) { kept.delivery = *state; });
    };
    const DraftDelivery delivery(m_api, m_pacer);
    co_await delivery.deliver(std::move(raw), message.threadId, state, keep);
}

void Outbox::update(const QUuid& id, const std::function<void(OutboxMessage&)>& change)
{
    const auto it = std::find_if(m_messages.begin(), m_messages.end(),
                                 [&id](const OutboxMessage& m) { return m.id == id; });
    if (it == m_messages.end())
        return;
    change(*it);
    save(*it);
}

} // namespace vesk
