#include "ComposerSession.h"

#include "AddressBook.h"
#include "ComposerDraft.h"
#include "DraftDelivery.h"
#include "MIMEBuilder.h"
#include "Outbox.h"
#include "OutgoingAddress.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "model/MailStore.h"
#include "model/SnippetText.h"
#include "net/DescribedError.h"
#include "platform/FileDialogs.h"
#include "platform/ThreadPriority.h"
#include "sync/SendOutcome.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLocale>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace vesk {

namespace {

/// The message's text, or its preview when it has no plain text part.
QString sourceText(const FullMessage& message)
{
    return message.plainText.value_or(snippetDisplayText(message.snippet));
}

QString senderOf(const FullMessage& message)
{
    return message.fromName.isEmpty() ? message.fromEmail : message.fromName;
}

/// The locale's medium date with its short time, e.g. "6 de dez. de 2026, 17:40".
QString quoteDate(const QDateTime& date)
{
    const QLocale locale;
    const QDateTime local = date.toLocalTime();
    return locale.toString(local.date(), QStringLiteral("d MMM yyyy")) + QStringLiteral(", ") +
           locale.toString(local.time(), QLocale::ShortFormat);
}

/// Whether an entry of a received message's address field names the account,
/// whatever its form ("Me <me@x.pt>", other letter case).
bool isOwnAddress(const QString& entry, const QString& own)
{
    const std::optional<OutgoingAddress> mailbox = OutgoingAddress::parse(entry);
    const QString address = mailbox ? mailbox->address : entry;
    return address.compare(own, Qt::CaseInsensitive) == 0;
}

} // namespace

ComposerSession::ComposerSession(Mode mode, ComposerAccount account,
                                 std::shared_ptr<FileDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_id(QUuid::createUuid())
    , m_mode(mode)
    , m_account(std::move(account))
    , m_dialogs(std::move(dialogs))
    , m_draft(std::make_shared<ComposerDraft>())
{
    m_autosaveTimer.setSingleShot(true);
    m_autosaveTimer.setInterval(std::chrono::seconds(3));
    connect(&m_autosaveTimer, &QTimer::timeout, this, [this] { autosave(); });
}

ComposerSession::~ComposerSession() = default;

std::unique_ptr<ComposerSession> ComposerSession::fromOutbox(const OutboxMessage& message,
                                                             ComposerAccount account,
                                                             std::shared_ptr<FileDialogs> dialogs)
{
    auto composer = std::make_unique<ComposerSession>(Mode(message.mode), std::move(account),
                                                      std::move(dialogs));
    composer->m_to = message.to;
    composer->m_cc = message.cc;
    composer->m_bcc = message.bcc;
    composer->m_subject = message.subject;
    composer->m_body = message.body;
    composer->m_attachments = message.attachments;
    composer->m_threadId = message.threadId;
    composer->m_inReplyTo = message.inReplyTo;
    composer->m_references = message.references;
    composer->m_draft->setId(message.delivery.draftId);
    composer->m_hasSavedDraft = message.delivery.draftId.has_value();
    if (message.isHeld())
        composer->m_error = message.refusal;
    return composer;
}

std::unique_ptr<ComposerSession> ComposerSession::reply(const FullMessage& message, bool all,
                                                        ComposerAccount account,
                                                        std::shared_ptr<FileDialogs> dialogs)
{
    auto composer = std::make_unique<ComposerSession>(all ? Mode::ReplyAll : Mode::Reply,
                                                      std::move(account), std::move(dialogs));
    composer->m_threadId = message.threadId;
    composer->m_inReplyTo = message.messageIdHeader;
    QStringList references;
    for (const auto& part : {message.references, message.messageIdHeader}) {
        if (part)
            references.append(*part);
    }
    if (!references.join(u' ').isEmpty())
        composer->m_references = references.join(u' ');
    composer->m_to = message.fromEmail.isEmpty() ? message.fromName : message.fromEmail;
    if (all && composer->m_account.isOpen()) {
        const QString own = composer->m_account.identity.email;
        QStringList others =
            MIMEBuilder::splitAddresses(message.to) + MIMEBuilder::splitAddresses(message.cc);
        others.removeIf([&](const QString& entry) { return isOwnAddress(entry, own); });
        composer->m_cc = others.join(QStringLiteral(", "));
    }
    composer->m_subject = message.subject.startsWith(u"re:", Qt::CaseInsensitive)
                              ? message.subject
                              : QStringLiteral("Re: ") + message.subject;
    composer->m_body = quotedText(message);
    return composer;
}

QCoro::Task<std::unique_ptr<ComposerSession>>
ComposerSession::forward(FullMessage message, ComposerAccount account,
                         std::shared_ptr<FileDialogs> dialogs)
{
    auto composer =
        std::make_unique<ComposerSession>(Mode::Forward, std::move(account), std::move(dialogs));
    const QString lower = message.subject.toLower();
    composer->m_subject = lower.startsWith(u"fwd:") || lower.startsWith(u"fw:")
                              ? message.subject
                              : QStringLiteral("Fwd: ") + message.subject;
    // One multi-argument arg(): a "%1" in a subject or a name stays as typed.
    composer->m_body = QStringLiteral("\n\n") +
                       tr("Mensagem reencaminhada\nDe: %1 <%2>\nAssunto: %3\nPara: %4")
                           .arg(senderOf(message), message.fromEmail, message.subject, message.to) +
                       QStringLiteral("\n\n") + sourceText(message);
    const std::shared_ptr<GmailAPIClient> api =
        composer->m_account.isOpen() ? composer->m_account.api : nullptr;
    if (!api)
        co_return composer;
    for (const AttachmentInfo& attachment : message.attachments) {
        try {
            const QByteArray data =
                co_await api->attachmentData(attachment.messageId, attachment.attachmentId);
            composer->m_attachments.append(
                OutgoingAttachment{attachment.filename, attachment.mimeType, data});
        } catch (...) {
            // Left out without a word, as the user can attach it by hand.
        }
    }
    co_return composer;
}

QCoro::Task<std::unique_ptr<ComposerSession>>
ComposerSession::fromDraft(QString draftId, ComposerAccount account,
                           std::shared_ptr<FileDialogs> dialogs)
{
    const std::shared_ptr<GmailAPIClient> api = account.isOpen() ? account.api : nullptr;
    if (!api)
        co_return std::unique_ptr<ComposerSession>();
    DraftDTO draft = co_await api->getDraft(draftId, QStringLiteral("full"));
    const bool answers = draft.message && draft.message->header(QStringLiteral("In-Reply-To"));
    auto composer = std::make_unique<ComposerSession>(answers ? Mode::Reply : Mode::New,
                                                      std::move(account), std::move(dialogs));
    co_await composer->loadDraft(std::move(draft));
    composer->m_draft->setId(std::move(draftId));
    composer->m_hasSavedDraft = true;
    co_return composer;
}

QCoro::Task<> ComposerSession::loadDraft(DraftDTO draft)
{
    if (!draft.message)
        throw GmailError::decoding(QStringLiteral("message: missing"));
    const MessageDTO& wire = *draft.message;
    const FullMessage message = wire.toFull();
    // All attachments or none: one left out would be gone from the draft at
    // the next save.
    QList<OutgoingAttachment> attachments;
    const std::shared_ptr<GmailAPIClient> api = m_account.api;
    QPointer<ComposerSession> self(this);
    for (const AttachmentInfo& attachment : message.attachments) {
        const QByteArray data =
            co_await api->attachmentData(attachment.messageId, attachment.attachmentId);
        attachments.append(OutgoingAttachment{attachment.filename, attachment.mimeType, data});
    }
    if (!self)
        co_return;
    setTo(message.to);
    setCc(message.cc);
    setBcc(wire.header(QStringLiteral("Bcc")).value_or(QString()));
    setSubject(message.subject);
    setBody(sourceText(message));
    m_attachments = std::move(attachments);
    Q_EMIT attachmentsChanged();
    m_threadId = message.threadId.isEmpty() ? std::nullopt : std::optional(message.threadId);
    m_inReplyTo = wire.header(QStringLiteral("In-Reply-To"));
    m_references = message.references;
    m_draft->setMessageId(wire.id);
    m_dirty = false;
}

QString ComposerSession::quotedText(const FullMessage& message)
{
    QStringList lines = sourceText(message).split(u'\n');
    for (QString& line : lines)
        line.prepend(QStringLiteral("> "));
    return QStringLiteral("\n\n") +
           tr("Em %1, %2 escreveu:").arg(quoteDate(message.date), senderOf(message)) +
           QStringLiteral("\n") + lines.join(u'\n');
}

void ComposerSession::assign(QString& field, const QString& value,
                             void (ComposerSession::*changed)())
{
    if (field == value)
        return;
    field = value;
    Q_EMIT(this->*changed)();
}

void ComposerSession::setTo(const QString& to)
{
    assign(m_to, to, &ComposerSession::toChanged);
}

void ComposerSession::setCc(const QString& cc)
{
    assign(m_cc, cc, &ComposerSession::ccChanged);
}

void ComposerSession::setBcc(const QString& bcc)
{
    assign(m_bcc, bcc, &ComposerSession::bccChanged);
}

void ComposerSession::setSubject(const QString& subject)
{
    assign(m_subject, subject, &ComposerSession::subjectChanged);
}

void ComposerSession::setBody(const QString& body)
{
    assign(m_body, body, &ComposerSession::bodyChanged);
}

void ComposerSession::addAttachments(const QList<OutgoingAttachment>& attachments)
{
    if (attachments.isEmpty())
        return;
    m_attachments.append(attachments);
    Q_EMIT attachmentsChanged();
}

void ComposerSession::removeAttachment(qsizetype index)
{
    if (index < 0 || index >= m_attachments.size())
        return;
    m_attachments.removeAt(index);
    Q_EMIT attachmentsChanged();
}

qint64 ComposerSession::attachmentsTotalSize() const
{
    qint64 total = 0;
    for (const OutgoingAttachment& attachment : m_attachments)
        total += attachment.data.size();
    return total;
}

bool ComposerSession::canSend() const
{
    return !MIMEBuilder::splitAddresses(m_to).isEmpty() &&
           attachmentsTotalSize() <= attachmentLimit && !m_isSending;
}

bool ComposerSession::hasUnsavedEdits() const
{
    const bool written = !(m_to.isEmpty() && m_subject.isEmpty() && m_body.isEmpty());
    return m_dirty && written && m_account.isOpen() && !m_draft->isClosed();
}

void ComposerSession::reloadAddressBook()
{
    m_addressBookLoading = false;
    loadAddressBook();
}

void ComposerSession::loadAddressBook()
{
    if (m_addressBookLoading || !m_account.store)
        return;
    m_addressBookLoading = true;
    // The worker holds the store itself: the composer may close first.
    auto* watcher = new QFutureWatcher<AddressBook>(this);
    connect(watcher, &QFutureWatcher<AddressBook>::finished, this, [this, watcher] {
        m_addressBook = std::make_shared<const AddressBook>(watcher->result());
        watcher->deleteLater();
        Q_EMIT addressBookChanged();
    });
    const bool ownPool = m_account.workers;
    QThreadPool* pool = ownPool ? m_account.workers.data() : QThreadPool::globalInstance();
    watcher->setFuture(
        QtConcurrent::run(pool, [store = m_account.store, own = m_account.identity.email,
                                 now = QDateTime::currentMSecsSinceEpoch(), ownPool] {
            // Never a thread of the shared pool, whose fills painting waits for.
            if (ownPool)
                runBelowInterface();
            return AddressBook::fromSummaries(store->snapshot().summaries, own, now);
        }));
}

void ComposerSession::markDirty()
{
    m_dirty = true;
    m_autosaveTimer.start();
}

void ComposerSession::setAutosaveDelay(std::chrono::milliseconds delay)
{
    m_autosaveTimer.setInterval(delay);
}

QCoro::Task<> ComposerSession::addAttachmentsFromPanel()
{
    if (!m_dialogs)
        co_return;
    QPointer<ComposerSession> self(this);
    const QStringList files =
        co_await m_dialogs->chooseFilesToOpen(tr("Escolher ficheiros para anexar"));
    if (!self || files.isEmpty())
        co_return;
    addFiles(files);
}

void ComposerSession::addFiles(const QStringList& paths)
{
    QList<OutgoingAttachment> added;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        // A directory opens for reading on Linux and reads as nothing.
        if (!info.isFile())
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            continue;
        added.append(
            OutgoingAttachment{info.fileName(), MIMEBuilder::mimeType(info.fileName()), data});
    }
    addAttachments(added);
    markDirty();
}

void ComposerSession::removeAttachmentAndTwins(qsizetype index)
{
    if (index < 0 || index >= m_attachments.size())
        return;
    const OutgoingAttachment removed = m_attachments.at(index);
    for (qsizetype i = m_attachments.size() - 1; i >= 0; --i) {
        if (m_attachments.at(i) == removed)
            removeAttachment(i);
    }
    markDirty();
}

std::optional<QByteArray> ComposerSession::buildRaw() const
{
    if (!m_account.isOpen())
        return std::nullopt;
    return MIMEBuilder::buildRaw(m_account.identity.email, MIMEBuilder::splitAddresses(m_to),
                                 MIMEBuilder::splitAddresses(m_cc),
                                 MIMEBuilder::splitAddresses(m_bcc), m_subject, m_body,
                                 m_attachments, m_inReplyTo, m_references);
}

const std::optional<QString>& ComposerSession::draftId() const
{
    return m_draft->id();
}

QCoro::Task<> ComposerSession::autosave()
{
    const std::shared_ptr<ComposerDraft> draft = m_draft;
    if (draft->isClosed())
        co_return;
    if (!draft->beginSave()) {
        co_await draft->settled();
        co_return;
    }
    QPointer<ComposerSession> self(this);
    do {
        co_await saveOnce(draft);
    } while (self && draft->takeSaveRequest() && !draft->isClosed());
    draft->endSave();
}

QCoro::Task<> ComposerSession::saveOnce(std::shared_ptr<ComposerDraft> draft)
{
    if (!m_dirty || !m_account.isOpen())
        co_return;
    std::optional<QByteArray> raw = buildRaw();
    if (!raw || (m_to.isEmpty() && m_subject.isEmpty() && m_body.isEmpty()))
        co_return;
    QPointer<ComposerSession> self(this);
    const std::shared_ptr<GmailAPIClient> api = m_account.api;
    const std::optional<QString> threadId = m_threadId;
    if (m_conflict)
        co_return;
    // Edits made while the request runs must not count as saved.
    m_dirty = false;
    try {
        if (!co_await draftUnchanged(api, draft)) {
            if (self) {
                self->m_dirty = true;
                self->setConflict(true);
            }
            co_return;
        }
        // Kept even when the composer is gone: a send or discard waiting for
        // this save deletes the draft.
        DraftDTO saved;
        if (const std::optional<QString> existing = draft->id())
            saved = co_await api->updateDraft(*existing, std::move(*raw), threadId);
        else
            saved = co_await api->createDraft(std::move(*raw), threadId);
        draft->setId(saved.id);
        draft->setMessageId(saved.message ? std::optional(saved.message->id) : std::nullopt);
    } catch (const std::exception& error) {
        if (!self)
            co_return;
        self->m_dirty = true; // saved again at the next change
        self->setError(tr("O rascunho não foi guardado: %1").arg(describeError(error)));
        self->m_saveFailed = true;
        // Without a network nothing changes: the same save is tried again
        // after a growing pause, through the same one save at a time.
        if (sendOutcomeOf(error) == SendOutcome::Retry) {
            self->m_saveRetry = std::clamp(self->m_saveRetry * 2, std::chrono::milliseconds(5000),
                                           std::chrono::milliseconds(300000));
            self->m_autosaveTimer.start(self->m_saveRetry);
        }
        co_return;
    }
    if (!self)
        co_return;
    m_saveRetry = std::chrono::milliseconds(0);
    if (m_saveFailed) {
        m_saveFailed = false;
        setError(std::nullopt);
    }
    if (!m_hasSavedDraft) {
        m_hasSavedDraft = true;
        Q_EMIT hasSavedDraftChanged();
    }
    Q_EMIT draftSaved();
}

QCoro::Task<bool> ComposerSession::draftUnchanged(std::shared_ptr<GmailAPIClient> api,
                                                  std::shared_ptr<ComposerDraft> draft)
{
    const std::optional<QString> id = draft->id();
    const std::optional<QString> known = draft->messageId();
    if (!id || !known)
        co_return true;
    bool gone = false;
    try {
        const DraftDTO current = co_await api->getDraft(*id, QStringLiteral("minimal"));
        co_return !current.message || current.message->id == *known;
    } catch (const GmailError& error) {
        if (error.status() != 404)
            throw;
        gone = true;
    }
    if (gone) {
        draft->setId(std::nullopt);
        draft->setMessageId(std::nullopt);
    }
    co_return true;
}

void ComposerSession::setConflict(bool conflict)
{
    if (m_conflict != conflict) {
        m_conflict = conflict;
        Q_EMIT conflictChanged();
    }
}

QCoro::Task<> ComposerSession::keepThisVersion()
{
    if (!m_conflict)
        co_return;
    // The person chose: the next save replaces the other version.
    m_draft->setMessageId(std::nullopt);
    setConflict(false);
    m_dirty = true;
    co_await autosave();
}

QCoro::Task<> ComposerSession::takeOtherVersion()
{
    const std::optional<QString> id = m_draft->id();
    if (!m_conflict || !id || !m_account.isOpen())
        co_return;
    QPointer<ComposerSession> self(this);
    const std::shared_ptr<GmailAPIClient> api = m_account.api;
    std::optional<QString> failure;
    try {
        DraftDTO other = co_await api->getDraft(*id, QStringLiteral("full"));
        if (self)
            co_await self->loadDraft(std::move(other));
    } catch (const std::exception& error) {
        failure = describeError(error);
    }
    if (!self)
        co_return;
    if (failure) {
        setError(failure);
        co_return;
    }
    setError(std::nullopt);
    setConflict(false);
}

void ComposerSession::setSending(bool sending)
{
    if (m_isSending != sending) {
        m_isSending = sending;
        Q_EMIT isSendingChanged();
    }
}

void ComposerSession::setNote(const QString& note)
{
    setError(note.isEmpty() ? std::nullopt : std::optional(note));
}

void ComposerSession::setError(std::optional<QString> error)
{
    if (m_error != error) {
        m_error = std::move(error);
        Q_EMIT errorChanged();
    }
}

std::optional<QString> ComposerSession::invalidEntry() const
{
    for (const QString* field : {&m_to, &m_cc, &m_bcc}) {
        for (const QString& entry : MIMEBuilder::splitAddresses(*field)) {
            if (!OutgoingAddress::parse(entry))
                return entry;
        }
    }
    return std::nullopt;
}

QCoro::Task<bool> ComposerSession::send()
{
    if (!m_account.isOpen())
        co_return false;
    std::optional<QByteArray> raw = buildRaw();
    if (!raw || !canSend() || m_conflict)
        co_return false;
    if (const std::optional<QString> invalid = invalidEntry()) {
        setError(tr("Endereço inválido: %1").arg(*invalid));
        co_return false;
    }
    if (m_account.outbox && m_account.isOffline && m_account.isOffline())
        co_return co_await queue();
    QPointer<ComposerSession> self(this);
    const ComposerAccount account = m_account;
    const std::shared_ptr<ComposerDraft> draft = m_draft;
    const std::optional<QString> threadId = m_threadId;
    setSending(true);
    setError(std::nullopt);
    // It goes out through its draft: no save may start now, and the one in
    // flight may be creating that draft right now.
    draft->close();
    m_autosaveTimer.stop();
    co_await draft->settled();
    bool unchanged = true;
    try {
        unchanged = co_await draftUnchanged(account.api, draft);
    } catch (...) {
        // Not known: the send itself finds out whether Google can be reached.
    }
    if (!unchanged) {
        draft->reopen();
        if (self) {
            self->setSending(false);
            self->setConflict(true);
        }
        co_return false;
    }
    auto state = std::make_shared<DeliveryState>();
    state->draftId = draft->id();
    const DraftDelivery delivery(account.api, nullptr);
    std::optional<SendOutcome> failure;
    QString reason;
    try {
        co_await delivery.deliver(std::move(*raw), threadId, state);
    } catch (const std::exception& error) {
        failure = sendOutcomeOf(error);
        reason = describeError(error);
    }
    if (failure) {
        // The delivery saved this version itself: what Gmail holds is ours.
        draft->setId(state->draftId);
        draft->setMessageId(std::nullopt);
        if (failure == SendOutcome::Retry && account.outbox && self)
            co_return co_await self->queue(*state);
        if (self) {
            draft->reopen();
            self->setError(reason);
            self->setSending(false);
        }
        co_return false;
    }
    // Gmail deletes a draft it sends.
    draft->setId(std::nullopt);
    if (self) {
        self->m_dirty = false;
        self->setSending(false);
    }
    if (account.owner && account.syncNow)
        co_await account.syncNow();
    co_return true;
}

QCoro::Task<bool> ComposerSession::queue(DeliveryState delivery)
{
    QPointer<ComposerSession> self(this);
    const QPointer<Outbox> outbox = m_account.outbox;
    const std::shared_ptr<ComposerDraft> draft = m_draft;
    OutboxMessage message;
    message.mode = int(m_mode);
    message.to = m_to;
    message.cc = m_cc;
    message.bcc = m_bcc;
    message.subject = m_subject;
    message.body = m_body;
    message.attachments = m_attachments;
    message.threadId = m_threadId;
    message.inReplyTo = m_inReplyTo;
    message.references = m_references;
    setSending(true);
    // No save may start after this; the one in flight may be creating the
    // draft that the outbox deletes once the message has gone.
    draft->close();
    m_autosaveTimer.stop();
    co_await draft->settled();
    message.delivery = std::move(delivery);
    message.delivery.draftId = draft->id();
    if (!outbox) {
        draft->reopen();
        if (self)
            self->setSending(false);
        co_return false;
    }
    // Known to be offline: it waits for the connection rather than trying.
    const bool offline = m_account.isOffline && m_account.isOffline();
    outbox->add(std::move(message), !offline);
    if (self) {
        self->m_dirty = false;
        self->m_queued = true;
        self->setError(std::nullopt);
        self->setSending(false);
    }
    co_return true;
}

QCoro::Task<> ComposerSession::discardDraft()
{
    m_autosaveTimer.stop();
    const std::shared_ptr<ComposerDraft> draft = m_draft;
    draft->close();
    if (!m_account.isOpen())
        co_return;
    const std::shared_ptr<GmailAPIClient> api = m_account.api;
    co_await draft->settled();
    const std::optional<QString> draftId = draft->id();
    if (!draftId)
        co_return;
    draft->setId(std::nullopt);
    try {
        co_await api->deleteDraft(*draftId);
    } catch (...) {
        // Nothing to tell: the composer is closing.
    }
}

} // namespace vesk
