#pragma once

#include "HttpReply.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::fakegoogle {

class Mailbox;
struct GoogleState;
struct HttpCall;

// Gmail's methods that take new mail from the client: messages.send and the
// drafts. Raw messages are checked and threaded as Gmail does, and mail sent
// to another account of the stand-in is delivered there. Called with the
// state's lock held.
class GmailComposeRoutes final
{
public:
    GmailComposeRoutes(GoogleState& state, Mailbox& mailbox);

    HttpReply send(const HttpCall& call);
    // drafts.send: the draft goes and its message is sent; a draft already
    // sent is no longer there (404).
    HttpReply sendDraft(const HttpCall& call);
    HttpReply createDraft(const HttpCall& call);
    HttpReply updateDraft(const HttpCall& call, const QString& draftId);
    HttpReply deleteDraft(const QString& draftId);
    // drafts.get: the draft's current message, in the format asked for.
    HttpReply getDraft(const HttpCall& call, const QString& draftId);
    // drafts.list: every draft in one page, in the order of their ids.
    HttpReply listDrafts();

private:
    struct Incoming;
    std::optional<HttpReply> readRaw(const QJsonObject& message, Incoming& incoming) const;
    QString threadFor(const Incoming& incoming, const QString& requested) const;
    std::optional<HttpReply> refusalOf(const Incoming& incoming) const;
    static QStringList recipientsOf(const Incoming& incoming);
    HttpReply sendChecked(Incoming incoming, const QString& threadId);
    void deliverLocally(const Incoming& incoming);

    GoogleState& m_state;
    Mailbox& m_mailbox;
};

} // namespace vesk::fakegoogle
