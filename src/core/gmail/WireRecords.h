#pragma once

#include "model/FullMessage.h"
#include "model/MessageSummary.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace vesk {

// The JSON records in which Gmail and the userinfo endpoint answer. Optional
// keys may be missing or null; required keys must be present with their JSON
// type, or decoding of the whole answer fails. "historyId" and "internalDate"
// are JSON strings. Keys not listed are ignored.

struct LabelListDTO
{
    struct Label
    {
        QString id;
        QString name;
        std::optional<QString> type;
        std::optional<qint64> messagesTotal;
        std::optional<qint64> messagesUnread;
    };
    QList<Label> labels;
};

struct MessageDTO
{
    struct Header
    {
        QString name;
        QString value;
    };
    struct Body
    {
        std::optional<qint64> size;
        std::optional<QString> data;
        std::optional<QString> attachmentId;
    };
    struct Payload
    {
        std::optional<QString> partId;
        std::optional<QString> mimeType;
        std::optional<QString> filename;
        std::optional<std::vector<Header>> headers;
        std::optional<Body> body;
        std::optional<std::vector<Payload>> parts;
    };

    QString id;
    QString threadId;
    std::optional<QStringList> labelIds;
    std::optional<QString> snippet;
    std::optional<QString> historyId;
    std::optional<QString> internalDate;
    std::optional<Payload> payload;

    /// The value of the first top-level header with this name, in any letter case.
    std::optional<QString> header(const QString& name) const;
    MessageSummary toSummary() const;
    FullMessage toFull() const;
};

struct MessageListDTO
{
    struct Ref
    {
        QString id;
        QString threadId;
    };
    std::optional<QList<Ref>> messages;
    std::optional<QString> nextPageToken;
    std::optional<qint64> resultSizeEstimate;
};

struct ThreadDTO
{
    QString id;
    std::optional<QList<MessageDTO>> messages;
    std::optional<QString> historyId;
};

struct HistoryListDTO
{
    struct Record
    {
        struct MessageRef
        {
            std::optional<MessageDTO> message;
            std::optional<QString> type;
        };
        struct LabelChange
        {
            std::optional<MessageDTO> message;
            std::optional<QStringList> labelIds;
        };
        std::optional<QString> id;
        std::optional<QList<MessageRef>> messagesAdded;
        std::optional<QList<MessageRef>> messagesDeleted;
        std::optional<QList<LabelChange>> labelsAdded;
        std::optional<QList<LabelChange>> labelsRemoved;
    };
    std::optional<QList<Record>> history;
    std::optional<QString> nextPageToken;
    std::optional<QString> historyId;
};

struct AttachmentDTO
{
    std::optional<QString> data;
    std::optional<qint64> size;
};

struct GmailProfileDTO
{
    QString emailAddress;
    std::optional<qint64> messagesTotal;
    std::optional<qint64> threadsTotal;
    QString historyId;
};

struct UserInfoDTO
{
    std::optional<QString> name;
    std::optional<QString> email;
    std::optional<QString> picture;
};

struct DraftDTO
{
    QString id;
    /// The draft's current version: each save makes a new message, so a
    /// different id means the draft changed.
    std::optional<MessageDTO> message;
};

struct DraftListDTO
{
    std::optional<QList<DraftDTO>> drafts;
    std::optional<QString> nextPageToken;
};

/// Decodes an answer body as record T; throws GmailError::decoding naming the
/// failing key path (for example "messages[3].threadId: missing").
template <typename T>
T decodeWire(const QByteArray& body);

/// A display name and an address from one address header value. The address
/// is taken from the last angle brackets outside quotes and the name before
/// them is unquoted: "Ana \"Nita\" Sá" <ana@x.pt> gives Ana "Nita" Sá and
/// ana@x.pt. The old comment form ana@x.pt (Ana Sá) is understood too;
/// anything else is taken whole as the address.
std::pair<QString, QString> parseAddress(const QString& text);

} // namespace vesk
