#pragma once

#include "MessageSummary.h"

#include <QExplicitlySharedDataPointer>
#include <QHash>
#include <QList>
#include <QSharedData>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <iterator>

namespace vesk {

/// An account's cached summaries, keyed by message id, as a value.
///
/// Copies are cheap and share everything, as with QHash, but the entries are
/// spread over many small hashes and a change after a copy duplicates only
/// the one it touches. With one large hash, the first change after any copy
/// (a snapshot being written to disk, a label being filtered) duplicated a
/// hundred thousand entries on the thread that made the change, which is
/// often the GUI thread.
///
/// The small hashes sit in one shared block, so that a copy touches one
/// reference count rather than one per hash: those lie on a thousand pages,
/// and on a virtual machine touching them after a minute's rest took the
/// GUI thread 80 ms. A change to a shared table copies the block (the hashes
/// in it are shared), on the thread that changes it.
///
/// A key always equals its summary's id. Iteration order is unspecified.
class SummaryTable
{
    static constexpr int s_shardBits = 10;
    using Shard = QHash<QString, MessageSummary>;
    using Shards = std::array<Shard, std::size_t(1) << s_shardBits>;
    struct Block : QSharedData
    {
        Shards shards;
    };

public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = MessageSummary;
        using difference_type = std::ptrdiff_t;
        using pointer = const MessageSummary*;
        using reference = const MessageSummary&;

        const_iterator() = default;
        reference operator*() const { return *m_entry; }
        pointer operator->() const { return &*m_entry; }
        const_iterator& operator++();
        const_iterator operator++(int);
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.m_shard == b.m_shard && (a.m_shard == a.m_end || a.m_entry == b.m_entry);
        }

    private:
        friend class SummaryTable;
        const_iterator(const Shard* shard, const Shard* end);
        void skipEmpty();

        const Shard* m_shard = nullptr;
        const Shard* m_end = nullptr;
        Shard::const_iterator m_entry;
    };

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }

    /// Adds or replaces the summary with the same id.
    void insert(const MessageSummary& summary);
    void insert(MessageSummary&& summary);
    /// Whether there was one to remove.
    bool remove(const QString& id);

    bool contains(const QString& id) const;
    /// The summary with this id, or an empty one.
    MessageSummary value(const QString& id) const;
    /// The summary with this id, or null; valid until this table changes.
    const MessageSummary* find(const QString& id) const;
    QStringList keys() const;
    QList<MessageSummary> values() const;

    const_iterator begin() const;
    const_iterator end() const;

    friend bool operator==(const SummaryTable& a, const SummaryTable& b);

private:
    static std::size_t shardIndex(const QString& id);
    /// None for a table that never held anything.
    const Shard* shardFor(const QString& id) const;
    /// Makes the block this table's own first.
    Shard& writableShardFor(const QString& id);

    QExplicitlySharedDataPointer<Block> m_block;
    qsizetype m_size = 0;
};

} // namespace vesk
