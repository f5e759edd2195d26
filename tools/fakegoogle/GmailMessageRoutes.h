#pragma once

#include "HttpReply.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::fakegoogle {

class Mailbox;
struct HttpCall;

// Gmail's methods that read and file existing messages of one authenticated
// mailbox: list, get, attachments, modify, trash, delete. Called with the
// state's lock held.
class GmailMessageRoutes final
{
public:
    explicit GmailMessageRoutes(Mailbox& mailbox);

    HttpReply list(const HttpCall& call);
    HttpReply get(const HttpCall& call, const QString& id);
    HttpReply attachment(const QString& messageId, const QString& attachmentId);
    HttpReply modify(const HttpCall& call, const QString& id);
    // messages.batchModify: ids Gmail does not hold are passed over; at most
    // a thousand ids.
    HttpReply batchModify(const HttpCall& call);
    HttpReply trash(const QString& id, bool trash);
    HttpReply remove(const QString& id);

    // Shared with the thread methods: validates and applies a label change
    // to the given messages, or answers the error Gmail gives.
    static std::optional<HttpReply> applyLabels(Mailbox& mailbox, const QStringList& messageIds,
                                                const QJsonObject& request);
    static bool isValidId(const QString& id);

private:
    Mailbox& m_mailbox;
};

} // namespace vesk::fakegoogle
