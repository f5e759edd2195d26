#pragma once

#include "model/FullMessage.h"

#include <QFrame>
#include <QList>

#include <memory>

class QLabel;

namespace vesk {

class AppState;
class HtmlMessageView;
class MessageWebProfile;
class PillButton;
class ReceivedAttachmentRow;

/// One message of the open conversation: the sender's initial on the brand
/// tile, the sender, "para " and the recipients, the date, the body and one
/// row per attachment, on a rounded dark card.
///
/// An HTML body shows in a web view with remote content blocked, under
/// "Mostrar imagens desta mensagem", which lets this card's images load for
/// as long as the card lives. Other bodies show their text, or the snippet.
/// GUI thread only.
class MessageCard final : public QFrame
{
    Q_OBJECT

public:
    /// `web` hosts the page of an HTML body; it must outlive the card.
    /// Attachments are saved through `state`; without one they only show.
    MessageCard(const FullMessage& message, AppState* state, MessageWebProfile& web,
                QWidget* parent = nullptr);

    const QString& messageId() const { return m_messageId; }
    /// The text body; null for an HTML message.
    QLabel* body() const { return m_body; }
    /// The web view of an HTML message; null otherwise.
    HtmlMessageView* htmlView() const { return m_htmlView; }
    /// "Mostrar imagens desta mensagem"; null once pressed and for text mail.
    PillButton* showImagesButton() const { return m_showImages; }
    /// "Continuar a escrever" on a draft; null for other messages.
    PillButton* continueButton() const { return m_continue; }
    bool showsImages() const { return m_imagesShown; }
    void showImages();
    const QList<ReceivedAttachmentRow*>& attachmentRows() const { return m_attachmentRows; }

    /// The sender as the card names it: the name, else the address.
    static QString senderText(const FullMessage& message);
    /// The recipients as the card names them: each by name, else address.
    static QString recipientsText(const QString& to);
    /// What the body shows without a web view.
    static QString bodyText(const FullMessage& message);

Q_SIGNALS:
    /// A link in the body was followed; it belongs in the system browser.
    void linkActivated(const QUrl& url);

private:
    QWidget* header(const FullMessage& message);
    void addHtmlBody(const QString& html, MessageWebProfile& web);

    const QString m_messageId;
    QString m_html;
    QLabel* m_body = nullptr;
    HtmlMessageView* m_htmlView = nullptr;
    PillButton* m_showImages = nullptr;
    PillButton* m_continue = nullptr;
    bool m_imagesShown = false;
    QList<ReceivedAttachmentRow*> m_attachmentRows;
};

} // namespace vesk
