#include "NotificationPayload.h"

#include "model/AccountIdentity.h"
#include "model/MessageSummary.h"
#include "model/SnippetText.h"

#include <QCoreApplication>

#include <algorithm>

namespace vesk {

namespace {

QString subjectText(const MessageSummary& summary)
{
    return summary.subject().isEmpty()
               ? QCoreApplication::translate("vesk::NotificationPayload", "(sem assunto)")
               : summary.subject();
}

QString bodyText(const MessageSummary& summary)
{
    QString body = subjectText(summary);
    // A snippet of only blanks would leave a dangling space after the subject.
    const QString snippet = snippetDisplayText(summary.snippet());
    if (!snippet.trimmed().isEmpty())
        body += u' ' + snippet;
    return body;
}

QString senderText(const MessageSummary& summary)
{
    return summary.fromName().isEmpty() ? summary.fromEmail() : summary.fromName();
}

QString identifierFor(const AccountIdentity& account, const QStringList& messageIds)
{
    return u"vesk-" + account.email + u'-' + messageIds.join(u'+');
}

} // namespace

NotificationPayload NotificationPayload::forNewMessage(const AccountIdentity& account,
                                                       const MessageSummary& summary)
{
    NotificationPayload payload;
    payload.identifier = identifierFor(account, QStringList(summary.id()));
    payload.title = account.name + u" \u00B7 " + account.email;
    payload.subtitle = senderText(summary);
    payload.body = bodyText(summary);
    payload.threadIdentifier = account.email;
    payload.userInfo =
        NotificationUserInfo{account.email, summary.threadId(), QStringList(summary.id()),
                             QStringList(summary.threadId())};
    return payload;
}

NotificationPayload NotificationPayload::forNewMessages(const AccountIdentity& account,
                                                        QList<MessageSummary> summaries)
{
    if (summaries.size() == 1)
        return forNewMessage(account, summaries.constFirst());
    // Newest first, as the inbox lists them; the id settles equal dates so
    // that the same messages always make the same identifier.
    std::sort(summaries.begin(), summaries.end(), [](const auto& a, const auto& b) {
        if (a.internalDateMs() != b.internalDateMs())
            return a.internalDateMs() > b.internalDateMs();
        return a.id() < b.id();
    });
    NotificationPayload payload;
    payload.threadIdentifier = account.email;
    payload.userInfo.accountID = account.email;
    for (const MessageSummary& summary : std::as_const(summaries)) {
        payload.userInfo.messageIDs.append(summary.id());
        if (!payload.userInfo.threadIDs.contains(summary.threadId()))
            payload.userInfo.threadIDs.append(summary.threadId());
        if (payload.lines.size() < maxListed)
            payload.lines.append(senderText(summary) + u": " + subjectText(summary));
    }
    payload.identifier = identifierFor(account, payload.userInfo.messageIDs);
    const auto count = int(summaries.size());
    //: The title of one notification for several new messages of an account.
    payload.title =
        QCoreApplication::translate("vesk::NotificationPayload", "%1 mensagens novas em %2")
            .arg(QString::number(count), account.email);
    if (count > maxListed) {
        payload.lines.append(QCoreApplication::translate("vesk::NotificationPayload", "e mais %1")
                                 .arg(count - maxListed));
    }
    return payload;
}

} // namespace vesk
