#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace vesk::fakegoogle {

// Builds ordinary RFC 5322 / MIME text for seeding a mailbox: a text part, an
// optional HTML alternative and attachments. Non-ASCII header text becomes
// RFC 2047 encoded words and bodies are quoted-printable or base64, as a real
// mail program writes them, so the stand-in's MIME parsing is exercised.
struct SimpleMessage
{
    struct Attachment
    {
        QString fileName;
        QByteArray mimeType; // "application/pdf"
        QByteArray bytes;
        QByteArray contentId; // non-empty: an inline part referenced as cid:...
    };

    QString from; // "Ana Silva <ana@exemplo.pt>"
    QString to;
    QString cc;
    QString subject;
    QString text;
    QString html;          // empty: text/plain only
    QDateTime date;        // invalid: now
    QByteArray messageId;  // without angle brackets; empty: generated
    QByteArray inReplyTo;  // Message-ID being answered, without angle brackets
    QByteArray references; // space-separated <ids>; empty: <inReplyTo> when set
    QList<Attachment> attachments;

    QByteArray toRfc822() const;
};

} // namespace vesk::fakegoogle
