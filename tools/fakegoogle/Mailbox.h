#pragma once

#include "HistoryLog.h"
#include "MessageRef.h"
#include "StoredLabel.h"
#include "StoredMessage.h"

#include <QHash>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace vesk::fakegoogle {

// One account's mail as Gmail holds it: messages with labels, threads, drafts
// and the history of every change. Every change goes through here so that it
// raises the history id. Not thread-safe: the server's lock guards it.
class Mailbox final
{
public:
    struct LabelCounts
    {
        int messagesTotal = 0;
        int messagesUnread = 0;
        int threadsTotal = 0;
        int threadsUnread = 0;
    };

    Mailbox(QString email, QString name);

    const QString& email() const { return m_email; }
    const QString& name() const { return m_name; }
    HistoryLog& history() { return m_history; }
    const HistoryLog& history() const { return m_history; }

    const QList<StoredLabel>& labels() const { return m_labels; }
    const StoredLabel* label(const QString& id) const;
    const StoredLabel* labelByName(const QString& name) const; // case-insensitive
    QString addLabel(const QString& name);
    LabelCounts counts(const QString& labelId) const;

    // Files a message; `threadId` must name an existing thread or be empty.
    MessageRef insert(const QByteArray& raw, const QStringList& labelIds, qint64 internalDate,
                      const QString& threadId = {});
    const StoredMessage* message(const QString& id) const;
    QList<const StoredMessage*> thread(const QString& threadId) const; // oldest first
    QList<const StoredMessage*> newestFirst() const;
    int threadCount() const;

    // Returns the first label id that does not exist, if any; nothing changes then.
    std::optional<QString> modify(const QString& messageId, const QStringList& add,
                                  const QStringList& remove);
    void remove(const QString& messageId);

    QString createDraft(const QByteArray& raw, const QString& threadId, qint64 now);
    bool replaceDraft(const QString& draftId, const QByteArray& raw, const QString& threadId,
                      qint64 now);
    bool deleteDraft(const QString& draftId);
    QString draftMessage(const QString& draftId) const { return m_drafts.value(draftId); }
    QStringList draftIds() const { return m_drafts.keys(); }

private:
    QString newMessageId(qint64 internalDate);

    QString m_email;
    QString m_name;
    HistoryLog m_history;
    QList<StoredLabel> m_labels;
    std::map<QString, StoredMessage> m_messages;
    QHash<QString, QString> m_drafts; // draft id -> message id
    quint64 m_sequence = 0;
};

} // namespace vesk::fakegoogle
