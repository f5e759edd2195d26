#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::fakegoogle {

// A mailbox's history feed. Every change gets a new, higher history id; the
// steps between ids vary, as Gmail's do, so a client cannot get away with
// assuming consecutive numbers. Not thread-safe: the owner's lock guards it.
class HistoryLog final
{
public:
    enum class Kind
    {
        MessageAdded,
        MessageDeleted,
        LabelAdded,
        LabelRemoved,
    };

    struct Record
    {
        quint64 id = 0;
        Kind kind = Kind::MessageAdded;
        QString messageId;
        QString threadId;
        QStringList labelIdsAfter; // the message's labels once the step is done
        QStringList changedLabels; // for label steps
    };

    struct Page
    {
        QList<Record> records;
        std::optional<quint64> continueAfter; // present when more records match
    };

    explicit HistoryLog(quint64 firstId = 4200);

    quint64 currentId() const { return m_current; }
    quint64 append(Kind kind, const QString& messageId, const QString& threadId,
                   const QStringList& labelIdsAfter, const QStringList& changedLabels = {});

    // Start ids below `id` are no longer answered (Gmail keeps about a week).
    void expireBefore(quint64 id);
    // Goes on from `id` when that is higher, answering no start id below it:
    // a mailbox whose earlier ids meant other changes.
    void restartAt(quint64 id);
    bool isExpired(quint64 startId) const { return startId < m_floor; }

    Page page(quint64 startId, quint64 after, const QList<Kind>& kinds, int maxResults) const;

    static QJsonObject toJson(const Record& record);
    static std::optional<Kind> kindFromName(const QString& name); // "messageAdded", ...

private:
    QList<Record> m_records;
    quint64 m_current;
    quint64 m_floor;
};

} // namespace vesk::fakegoogle
