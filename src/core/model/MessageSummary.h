#pragma once

#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

namespace vesk {

struct MessageSummaryData : QSharedData
{
    QString id;
    QString threadId;
    QStringList labelIds;
    QString snippet;
    QString fromName;
    QString fromEmail;
    QString subject;
    qint64 internalDateMs = 0;
    QString recipients;
};

/// The list-level view of one message: what the cache keeps and the thread
/// list shows.
///
/// A value with implicit sharing: copies share one block until one of them
/// changes. Lists of summaries are copied often (a label's summaries, threads
/// grouped from them) and a copy then touches one reference count instead of
/// one per text field, which matters for caches of a hundred thousand messages.
class MessageSummary
{
public:
    MessageSummary();
    MessageSummary(QString id, QString threadId, QStringList labelIds, QString snippet,
                   QString fromName, QString fromEmail, QString subject, qint64 internalDateMs);

    /// Gmail message id; the summary's identity.
    const QString& id() const { return d->id; }
    const QString& threadId() const { return d->threadId; }
    /// Gmail's order is kept; "UNREAD" marks the message unread, "INBOX" in the inbox.
    const QStringList& labelIds() const { return d->labelIds; }
    /// As Gmail sends it, HTML entities included.
    const QString& snippet() const { return d->snippet; }
    const QString& fromName() const { return d->fromName; }
    const QString& fromEmail() const { return d->fromEmail; }
    const QString& subject() const { return d->subject; }
    /// Milliseconds since 1970-01-01T00:00:00Z.
    qint64 internalDateMs() const { return d->internalDateMs; }
    /// The To and Cc header texts, comma-joined, of mail the account sent
    /// (labelled SENT); empty for other mail, which keeps the cache small.
    const QString& recipients() const { return d->recipients; }

    void setLabelIds(QStringList labelIds);
    void setRecipients(QString recipients);

    /// Seconds since the Unix epoch, in floating point, as sorting and display use it.
    double date() const { return double(d->internalDateMs) / 1000.0; }
    bool hasLabel(const QString& labelId) const { return d->labelIds.contains(labelId); }

    friend bool operator==(const MessageSummary& a, const MessageSummary& b);

private:
    QSharedDataPointer<MessageSummaryData> d;
};

} // namespace vesk
