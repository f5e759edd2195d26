#pragma once

#include "ComposerAccount.h"
#include "DeliveryState.h"
#include "OutgoingAttachment.h"
#include "model/FullMessage.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <memory>
#include <optional>

namespace vesk {

class AddressBook;
class ComposerDraft;
class FileDialogs;
class GmailAPIClient;
struct DraftDTO;
struct OutboxMessage;

/// One message being written in one account: a new message, a reply, a reply
/// to all or a forward. Prefills replies and forwards, saves a Gmail draft a
/// few seconds after the last edit, sends, and deletes the draft once the
/// message has gone or is discarded.
///
/// Lives on the GUI thread. Holds its account's session weakly (see
/// ComposerAccount): once the session is gone, saving and sending do nothing. The autosave timer is
/// the composer's own, so it dies with it.
///
/// Draft saves run one at a time: a save asked for while one is in flight
/// runs after it, so a slow first save cannot lead to a second draft. Send
/// and discard wait for a save in flight before deleting the draft, even
/// when the composer is released meanwhile, so no draft outlives the message.
class ComposerSession final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString to READ to WRITE setTo NOTIFY toChanged)
    Q_PROPERTY(QString cc READ cc WRITE setCc NOTIFY ccChanged)
    Q_PROPERTY(QString bcc READ bcc WRITE setBcc NOTIFY bccChanged)
    Q_PROPERTY(QString subject READ subject WRITE setSubject NOTIFY subjectChanged)
    Q_PROPERTY(QString body READ body WRITE setBody NOTIFY bodyChanged)
    Q_PROPERTY(bool isSending READ isSending NOTIFY isSendingChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool hasSavedDraft READ hasSavedDraft NOTIFY hasSavedDraftChanged)
    Q_PROPERTY(bool hasConflict READ hasConflict NOTIFY conflictChanged)

public:
    enum class Mode
    {
        New,
        Reply,
        ReplyAll,
        Forward
    };
    Q_ENUM(Mode)

    /// Gmail's limit for the attachments of one message.
    static constexpr qint64 attachmentLimit = 25 * 1048576;

    ComposerSession(Mode mode, ComposerAccount account, std::shared_ptr<FileDialogs> dialogs = {},
                    QObject* parent = nullptr);
    ~ComposerSession() override;

    static std::unique_ptr<ComposerSession> reply(const FullMessage& message, bool all,
                                                  ComposerAccount account,
                                                  std::shared_ptr<FileDialogs> dialogs = {});
    /// Fetches the message's attachments one after another; those that cannot
    /// be fetched are left out.
    static QCoro::Task<std::unique_ptr<ComposerSession>>
    forward(FullMessage message, ComposerAccount account,
            std::shared_ptr<FileDialogs> dialogs = {});

    /// The message again, as it was when it went to the outbox, with Gmail's
    /// refusal as its error when it was refused; its draft is the same.
    static std::unique_ptr<ComposerSession> fromOutbox(const OutboxMessage& message,
                                                       ComposerAccount account,
                                                       std::shared_ptr<FileDialogs> dialogs = {});

    /// The Gmail draft `draftId` to go on writing: its addresses, subject,
    /// text and attachments (fetched back), its thread and the headers of
    /// the message it answers. Saving updates that draft and sending sends
    /// it. Throws what the Gmail client throws when any of it cannot be
    /// fetched: a draft half loaded would lose the rest at the next save.
    static QCoro::Task<std::unique_ptr<ComposerSession>>
    fromDraft(QString draftId, ComposerAccount account, std::shared_ptr<FileDialogs> dialogs = {});

    const QUuid& id() const { return m_id; }
    Mode mode() const { return m_mode; }
    const ComposerAccount& account() const { return m_account; }

    const QString& to() const { return m_to; }
    const QString& cc() const { return m_cc; }
    const QString& bcc() const { return m_bcc; }
    const QString& subject() const { return m_subject; }
    const QString& body() const { return m_body; }
    void setTo(const QString& to);
    void setCc(const QString& cc);
    void setBcc(const QString& bcc);
    void setSubject(const QString& subject);
    void setBody(const QString& body);

    const QList<OutgoingAttachment>& attachments() const { return m_attachments; }
    void addAttachments(const QList<OutgoingAttachment>& attachments);
    /// Attaches the files at `paths` (dropped or chosen), in that order, and
    /// asks for a draft. Only regular files that read whole are attached:
    /// folders and unreadable files are left out without a word.
    void addFiles(const QStringList& paths);
    void removeAttachment(qsizetype index);
    /// Removes the attachment at `index` and every other one equal to it (the
    /// same file added twice is one thing to the person), and asks for a draft.
    void removeAttachmentAndTwins(qsizetype index);
    qint64 attachmentsTotalSize() const;

    bool isSending() const { return m_isSending; }
    /// Why the last send or save failed; empty when it did not.
    QString error() const { return m_error.value_or(QString()); }
    /// Shows `note` where error() is shown, until a send or a save replaces
    /// it: what the composer could not fill in from where it was asked for
    /// (a mailto: address). An empty note clears the line.
    void setNote(const QString& note);
    /// A draft of this message has reached Gmail (the header says so).
    bool hasSavedDraft() const { return m_hasSavedDraft; }
    const std::optional<QString>& threadId() const { return m_threadId; }
    const std::optional<QString>& draftId() const;
    /// The draft was changed elsewhere (another device, Gmail on the web)
    /// since this composer last saved or read it. Nothing is saved or sent
    /// until the person chooses a version.
    bool hasConflict() const { return m_conflict; }
    /// Keeps what is written here: the next save replaces the other version.
    QCoro::Task<> keepThisVersion();
    /// Replaces what is written here with the version at Gmail.
    QCoro::Task<> takeOtherVersion();

    bool canSend() const;
    /// Something written here has not reached Gmail's draft (the last save
    /// failed, or none ran yet); a composer with nothing written has none.
    bool hasUnsavedEdits() const;

    /// The people the address fields offer; empty until loadAddressBook()
    /// has built it (addressBookChanged).
    std::shared_ptr<const AddressBook> addressBook() const { return m_addressBook; }
    /// Builds the address book from the account's cache on a worker thread,
    /// the first time only, so that a large cache never stalls typing.
    void loadAddressBook();
    /// Builds it again, as the cache now holds more (the sent mail, say).
    void reloadAddressBook();
    /// After each edit: the draft is saved once edits pause for the delay.
    void markDirty();
    void setAutosaveDelay(std::chrono::milliseconds delay);

    QCoro::Task<> addAttachmentsFromPanel();
    /// Saves the draft when there are unsaved edits. While a save is in
    /// flight, asks it to save once more and waits until it has.
    QCoro::Task<> autosave();
    /// Refuses, with "Endereço inválido: " and the entry as the error, when
    /// an entry of To, Cc or Bcc is not a mailbox (see OutgoingAddress).
    /// While Google cannot be reached, or when the send fails for a reason
    /// that passes, the message goes to the account's outbox and this says
    /// true as well: it is safe and goes later (wasQueued() tells).
    QCoro::Task<bool> send();
    /// The last send() left the message in the outbox.
    bool wasQueued() const { return m_queued; }
    /// Ends the composer's drafts: no save starts any more, and the draft
    /// (once a save in flight has ended) is deleted.
    QCoro::Task<> discardDraft();

Q_SIGNALS:
    void toChanged();
    void ccChanged();
    void bccChanged();
    void subjectChanged();
    void bodyChanged();
    void attachmentsChanged();
    void isSendingChanged();
    void errorChanged();
    void hasSavedDraftChanged();
    void conflictChanged();
    void draftSaved();
    void addressBookChanged();

private:
    static QString quotedText(const FullMessage& message);
    QCoro::Task<> saveOnce(std::shared_ptr<ComposerDraft> draft);
    /// Whether Gmail still holds the version of the draft last saved here.
    /// A draft gone from Gmail (sent or deleted elsewhere) is forgotten, so
    /// that what is written here is saved as a new one.
    static QCoro::Task<bool> draftUnchanged(std::shared_ptr<GmailAPIClient> api,
                                            std::shared_ptr<ComposerDraft> draft);
    /// Takes the fields, headers and attachments of a draft read in full.
    QCoro::Task<> loadDraft(DraftDTO draft);
    void setConflict(bool conflict);
    /// The first entry of To, Cc or Bcc that is not a mailbox.
    std::optional<QString> invalidEntry() const;
    /// Sets a text field and tells its observers, only on a real change.
    void assign(QString& field, const QString& value, void (ComposerSession::*changed)());
    std::optional<QByteArray> buildRaw() const;
    /// Hands the message to the outbox; ends its drafts as sending does.
    /// Hands the message to the outbox, with how far a send got.
    QCoro::Task<bool> queue(DeliveryState delivery = {});
    void setSending(bool sending);
    void setError(std::optional<QString> error);

    const QUuid m_id;
    const Mode m_mode;
    const ComposerAccount m_account;
    std::shared_ptr<FileDialogs> m_dialogs;

    QString m_to;
    QString m_cc;
    QString m_bcc;
    QString m_subject;
    QString m_body;
    QList<OutgoingAttachment> m_attachments;
    bool m_isSending = false;
    std::optional<QString> m_error;
    bool m_hasSavedDraft = false;
    bool m_conflict = false;
    /// m_error tells why the last draft save failed.
    bool m_saveFailed = false;
    std::optional<QString> m_threadId;
    std::optional<QString> m_inReplyTo;
    std::optional<QString> m_references;
    std::shared_ptr<ComposerDraft> m_draft;
    QTimer m_autosaveTimer;
    bool m_dirty = false;
    bool m_queued = false;
    /// The pause before the next draft save after one that found no network.
    std::chrono::milliseconds m_saveRetry{0};
    std::shared_ptr<const AddressBook> m_addressBook;
    bool m_addressBookLoading = false;
};

} // namespace vesk
