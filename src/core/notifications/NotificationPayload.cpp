#include "NotificationPayload.h"

#include "model/AccountIdentity.h"
#include "model/MessageSummary.h"
#include "model/SnippetText.h"

#include <QCoreApplication>

namespace vesk {

namespace {

QString bodyText(const MessageSummary& summary)
{
    QString body = summary.subject().isEmpty()
                       ? QCoreApplication::translate("vesk::NotificationPayload", "(sem assunto)")
                       : summary.subject();
    // A snippet of only blanks would leave a dangling space after the subject.
    const QString snippet = snippetDisplayText(summary.snippet());
    if (!snippet.trimmed().isEmpty())
        body += u' ' + snippet;
    return body;
}

} // namespace

NotificationPayload NotificationPayload::forNewMessage(const AccountIdentity& account,
                                                       const MessageSummary& summary)
{
    NotificationPayload payload;
    payload.identifier = u"vesk-" + account.email + u'-' + summary.id();
    payload.title = account.name + u" \u00B7 " + account.email;
    payload.subtitle = summary.fromName().isEmpty() ? summary.fromEmail() : summary.fromName();
    payload.body = bodyText(summary);
    payload.threadIdentifier = account.email;
    payload.userInfo = NotificationUserInfo{account.email, summary.threadId(), summary.id()};
    return payload;
}

} // namespace vesk
