#include "HistoryLog.h"

#include <QJsonArray>

#include <algorithm>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

HistoryLog::HistoryLog(quint64 firstId)
    : m_current(firstId)
    , m_floor(firstId)
{}

quint64 HistoryLog::append(Kind kind, const QString& messageId, const QString& threadId,
                           const QStringList& labelIdsAfter, const QStringList& changedLabels)
{
    // Gmail's ids grow by uneven steps; 1 to 3 here, deterministic for tests.
    m_current += 1 + (m_current % 3);
    m_records.append({m_current, kind, messageId, threadId, labelIdsAfter, changedLabels});
    return m_current;
}

void HistoryLog::expireBefore(quint64 id)
{
    m_floor = std::max(m_floor, id);
    m_records.removeIf([id](const Record& record) { return record.id < id; });
}

void HistoryLog::restartAt(quint64 id)
{
    m_current = std::max(m_current, id);
    expireBefore(m_current);
}

HistoryLog::Page HistoryLog::page(quint64 startId, quint64 after, const QList<Kind>& kinds,
                                  int maxResults) const
{
    Page result;
    const quint64 floor = std::max(startId, after);
    for (const Record& record : m_records) {
        if (record.id <= floor || (!kinds.isEmpty() && !kinds.contains(record.kind)))
            continue;
        if (result.records.size() == maxResults) {
            result.continueAfter = result.records.constLast().id;
            break;
        }
        result.records.append(record);
    }
    return result;
}

QJsonObject HistoryLog::toJson(const Record& record)
{
    const QJsonObject brief{{u"id"_s, record.messageId}, {u"threadId"_s, record.threadId}};
    QJsonObject message = brief;
    message[u"labelIds"_s] = QJsonArray::fromStringList(record.labelIdsAfter);
    QJsonObject json{{u"id"_s, QString::number(record.id)}, {u"messages"_s, QJsonArray{brief}}};
    switch (record.kind) {
    case Kind::MessageAdded:
        json[u"messagesAdded"_s] = QJsonArray{QJsonObject{{u"message"_s, message}}};
        break;
    case Kind::MessageDeleted:
        json[u"messagesDeleted"_s] = QJsonArray{QJsonObject{{u"message"_s, message}}};
        break;
    case Kind::LabelAdded:
    case Kind::LabelRemoved: {
        const QJsonObject change{{u"message"_s, message},
                                 {u"labelIds"_s, QJsonArray::fromStringList(record.changedLabels)}};
        json[record.kind == Kind::LabelAdded ? u"labelsAdded"_s : u"labelsRemoved"_s] =
            QJsonArray{change};
        break;
    }
    }
    return json;
}

std::optional<HistoryLog::Kind> HistoryLog::kindFromName(const QString& name)
{
    if (name == u"messageAdded"_s)
        return Kind::MessageAdded;
    if (name == u"messageDeleted"_s)
        return Kind::MessageDeleted;
    if (name == u"labelAdded"_s)
        return Kind::LabelAdded;
    if (name == u"labelRemoved"_s)
        return Kind::LabelRemoved;
    return std::nullopt;
}

} // namespace vesk::fakegoogle
