#pragma once

#include "HttpReply.h"

#include <QString>
#include <QStringList>

namespace vesk::fakegoogle {

class Mailbox;
struct GoogleState;
struct HttpCall;

// Gmail API v1 under /gmail/v1/users/{userId}/: finds the method, checks the
// bearer token and its scope, charges the user's quota, then answers.
// Called with the state's lock held.
class GmailApi final
{
public:
    explicit GmailApi(GoogleState& state);

    static bool owns(const QString& path);
    HttpReply handle(const HttpCall& call);

    // The quota name of a Gmail call ("messages.get"), or empty when the
    // method and path name no Gmail method.
    static QString methodName(const QString& httpMethod, const QStringList& segments);

private:
    HttpReply dispatch(const QString& method, const HttpCall& call, const QStringList& segments,
                       Mailbox& mailbox);
    HttpReply profile(Mailbox& mailbox);
    HttpReply labels(Mailbox& mailbox);
    HttpReply label(Mailbox& mailbox, const QString& id);
    HttpReply createLabel(Mailbox& mailbox, const HttpCall& call);
    HttpReply thread(Mailbox& mailbox, const HttpCall& call, const QString& id);
    HttpReply modifyThread(Mailbox& mailbox, const HttpCall& call, const QString& id);
    HttpReply trashThread(Mailbox& mailbox, const QString& id, bool trash);
    HttpReply history(Mailbox& mailbox, const HttpCall& call);

    GoogleState& m_state;
};

} // namespace vesk::fakegoogle
