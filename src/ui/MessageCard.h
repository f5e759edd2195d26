#pragma once

#include "model/FullMessage.h"

#include <QFrame>
#include <QList>

#include <memory>

class QLabel;

namespace vesk {

class AccountSession;
class ReceivedAttachmentRow;
class TransferManager;

/// One message of the open conversation: the sender's initial on the brand
/// tile, the sender, "para " and the recipients, the date, the body and one
/// row per attachment, on a rounded dark card.
///
/// HTML bodies are shown here as their plain-text alternative (or the
/// snippet) under a note saying so, until the card gets its web view.
/// GUI thread only.
class MessageCard final : public QFrame
{
    Q_OBJECT

public:
    MessageCard(const FullMessage& message, AccountSession* session,
                std::shared_ptr<TransferManager> transfers, QWidget* parent = nullptr);

    const QString& messageId() const { return m_messageId; }
    QLabel* body() const { return m_body; }
    /// The note over an HTML message's text; null for plain-text mail.
    QLabel* htmlNote() const { return m_htmlNote; }
    const QList<ReceivedAttachmentRow*>& attachmentRows() const { return m_attachmentRows; }

    /// The sender as the card names it: the name, else the address.
    static QString senderText(const FullMessage& message);
    /// What the body shows without a web view.
    static QString bodyText(const FullMessage& message);

private:
    QWidget* header(const FullMessage& message);

    const QString m_messageId;
    QLabel* m_body = nullptr;
    QLabel* m_htmlNote = nullptr;
    QList<ReceivedAttachmentRow*> m_attachmentRows;
};

} // namespace vesk
