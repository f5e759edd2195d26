#include "MessageSummary.h"

namespace vesk {

namespace {

// Default-constructed summaries share one empty block instead of allocating.
const QSharedDataPointer<MessageSummaryData>& emptyData()
{
    static const QSharedDataPointer<MessageSummaryData> s_empty(new MessageSummaryData);
    return s_empty;
}

} // namespace

MessageSummary::MessageSummary()
    : d(emptyData())
{}

MessageSummary::MessageSummary(QString id, QString threadId, QStringList labelIds, QString snippet,
                               QString fromName, QString fromEmail, QString subject,
                               qint64 internalDateMs)
    : d(new MessageSummaryData)
{
    d->id = std::move(id);
    d->threadId = std::move(threadId);
    d->labelIds = std::move(labelIds);
    d->snippet = std::move(snippet);
    d->fromName = std::move(fromName);
    d->fromEmail = std::move(fromEmail);
    d->subject = std::move(subject);
    d->internalDateMs = internalDateMs;
}

void MessageSummary::setLabelIds(QStringList labelIds)
{
    d->labelIds = std::move(labelIds);
}

void MessageSummary::setRecipients(QString recipients)
{
    d->recipients = std::move(recipients);
}

bool operator==(const MessageSummary& a, const MessageSummary& b)
{
    if (a.d == b.d)
        return true;
    return a.d->id == b.d->id && a.d->threadId == b.d->threadId && a.d->labelIds == b.d->labelIds &&
           a.d->snippet == b.d->snippet && a.d->fromName == b.d->fromName &&
           a.d->fromEmail == b.d->fromEmail && a.d->subject == b.d->subject &&
           a.d->internalDateMs == b.d->internalDateMs && a.d->recipients == b.d->recipients;
}

} // namespace vesk
