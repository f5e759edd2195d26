#include "Mailbox.h"

#include <QSet>

#include <algorithm>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

QList<StoredLabel> systemLabels()
{
    // The system labels Gmail lists for every mailbox, with the visibility
    // fields it sends for them. Category labels are there too: a client must
    // cope with system labels it has no special use for.
    const auto shown = [](const QString& id) {
        return StoredLabel{id, id, true, u"labelShow"_s, u"show"_s};
    };
    const auto plain = [](const QString& id) { return StoredLabel{id, id, true, {}, {}}; };
    return {shown(u"INBOX"_s),
            shown(u"SENT"_s),
            shown(u"DRAFT"_s),
            shown(u"SPAM"_s),
            shown(u"TRASH"_s),
            shown(u"STARRED"_s),
            shown(u"IMPORTANT"_s),
            plain(u"UNREAD"_s),
            plain(u"CHAT"_s),
            plain(u"CATEGORY_PERSONAL"_s),
            plain(u"CATEGORY_SOCIAL"_s),
            plain(u"CATEGORY_PROMOTIONS"_s),
            plain(u"CATEGORY_UPDATES"_s),
            plain(u"CATEGORY_FORUMS"_s)};
}

} // namespace

Mailbox::Mailbox(QString email, QString name)
    : m_email(std::move(email))
    , m_name(std::move(name))
    , m_labels(systemLabels())
{}

const StoredLabel* Mailbox::label(const QString& id) const
{
    for (const StoredLabel& label : m_labels) {
        if (label.id == id)
            return &label;
    }
    return nullptr;
}

const StoredLabel* Mailbox::labelByName(const QString& name) const
{
    for (const StoredLabel& label : m_labels) {
        if (label.name.compare(name, Qt::CaseInsensitive) == 0)
            return &label;
    }
    return nullptr;
}

QString Mailbox::addLabel(const QString& name)
{
    if (const StoredLabel* existing = labelByName(name))
        return existing->id;
    // User label ids are opaque to clients; Gmail writes "Label_" and a number.
    QString id = u"Label_"_s + QString::number(4711 + m_labels.size() * 37);
    m_labels.append({id, name, false, u"labelShow"_s, u"show"_s});
    return id;
}

Mailbox::LabelCounts Mailbox::counts(const QString& labelId) const
{
    LabelCounts counts;
    QSet<QString> threads;
    QSet<QString> unreadThreads;
    for (const auto& [id, message] : m_messages) {
        if (!message.labelIds.contains(labelId))
            continue;
        const bool unread = message.labelIds.contains(u"UNREAD"_s);
        ++counts.messagesTotal;
        counts.messagesUnread += unread ? 1 : 0;
        threads.insert(message.threadId);
        if (unread)
            unreadThreads.insert(message.threadId);
    }
    counts.threadsTotal = int(threads.size());
    counts.threadsUnread = int(unreadThreads.size());
    return counts;
}

QString Mailbox::newMessageId(qint64 internalDate)
{
    // Gmail's ids are 16 hexadecimal digits that grow with time; keep that shape.
    QString id;
    do {
        id = QString::number((quint64(internalDate) << 20) | (++m_sequence & 0xfffff), 16);
    } while (m_messages.count(id) > 0);
    return id;
}

MessageRef Mailbox::insert(const QByteArray& raw, const QStringList& labelIds, qint64 internalDate,
                           const QString& threadId)
{
    StoredMessage message;
    message.id = newMessageId(internalDate);
    message.threadId = threadId.isEmpty() ? message.id : threadId;
    message.raw = raw;
    message.labelIds = labelIds;
    message.labelIds.removeDuplicates();
    message.internalDate = internalDate;
    message.mime = MimeTree::parse(raw);
    message.historyId = m_history.append(HistoryLog::Kind::MessageAdded, message.id,
                                         message.threadId, message.labelIds);
    MessageRef ref{message.id, message.threadId};
    m_messages.emplace(message.id, std::move(message));
    return ref;
}

const StoredMessage* Mailbox::message(const QString& id) const
{
    const auto it = m_messages.find(id);
    return it == m_messages.end() ? nullptr : &it->second;
}

QList<const StoredMessage*> Mailbox::thread(const QString& threadId) const
{
    QList<const StoredMessage*> result;
    for (const auto& [id, message] : m_messages) {
        if (message.threadId == threadId)
            result.append(&message);
    }
    std::sort(result.begin(), result.end(), [](const auto* a, const auto* b) {
        return a->internalDate != b->internalDate ? a->internalDate < b->internalDate
                                                  : a->id < b->id;
    });
    return result;
}

QList<const StoredMessage*> Mailbox::newestFirst() const
{
    QList<const StoredMessage*> result;
    for (const auto& [id, message] : m_messages)
        result.append(&message);
    std::sort(result.begin(), result.end(), [](const auto* a, const auto* b) {
        return a->internalDate != b->internalDate ? a->internalDate > b->internalDate
                                                  : a->id > b->id;
    });
    return result;
}

int Mailbox::threadCount() const
{
    QSet<QString> threads;
    for (const auto& [id, message] : m_messages)
        threads.insert(message.threadId);
    return int(threads.size());
}

std::optional<QString> Mailbox::modify(const QString& messageId, const QStringList& add,
                                       const QStringList& remove)
{
    for (const QString& id : add + remove) {
        if (!label(id))
            return id;
    }
    const auto it = m_messages.find(messageId);
    if (it == m_messages.end())
        return std::nullopt;
    StoredMessage& message = it->second;
    QStringList added;
    QStringList removed;
    for (const QString& id : add) {
        if (!message.labelIds.contains(id) && !added.contains(id))
            added.append(id);
    }
    for (const QString& id : remove) {
        if (message.labelIds.contains(id) && !add.contains(id))
            removed.append(id);
    }
    // Gmail files additions and removals as separate history steps.
    if (!added.isEmpty()) {
        message.labelIds += added;
        message.historyId = m_history.append(HistoryLog::Kind::LabelAdded, message.id,
                                             message.threadId, message.labelIds, added);
    }
    if (!removed.isEmpty()) {
        for (const QString& id : removed)
            message.labelIds.removeAll(id);
        message.historyId = m_history.append(HistoryLog::Kind::LabelRemoved, message.id,
                                             message.threadId, message.labelIds, removed);
    }
    return std::nullopt;
}

void Mailbox::remove(const QString& messageId)
{
    const auto it = m_messages.find(messageId);
    if (it == m_messages.end())
        return;
    m_history.append(HistoryLog::Kind::MessageDeleted, it->second.id, it->second.threadId,
                     it->second.labelIds);
    m_messages.erase(it);
}

QString Mailbox::createDraft(const QByteArray& raw, const QString& threadId, qint64 now)
{
    const MessageRef ref = insert(raw, {u"DRAFT"_s}, now, threadId);
    QString draftId = u"r"_s + QString::number(1700000000000000000ULL + ++m_sequence * 7919);
    m_drafts.insert(draftId, ref.id);
    return draftId;
}

bool Mailbox::replaceDraft(const QString& draftId, const QByteArray& raw, const QString& threadId,
                           qint64 now)
{
    // Gmail keeps the draft id but stores each version as a new message,
    // so an update shows up in history as one deletion and one addition.
    const auto it = m_drafts.find(draftId);
    if (it == m_drafts.end())
        return false;
    remove(it.value());
    it.value() = insert(raw, {u"DRAFT"_s}, now, threadId).id;
    return true;
}

bool Mailbox::deleteDraft(const QString& draftId)
{
    const auto it = m_drafts.constFind(draftId);
    if (it == m_drafts.cend())
        return false;
    remove(it.value());
    m_drafts.erase(it);
    return true;
}

} // namespace vesk::fakegoogle
