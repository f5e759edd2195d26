#include "SummaryTable.h"

namespace vesk {

SummaryTable::const_iterator::const_iterator(const Shard* shard, const Shard* end)
    : m_shard(shard)
    , m_end(end)
{
    if (m_shard != m_end)
        m_entry = m_shard->cbegin();
    skipEmpty();
}

void SummaryTable::const_iterator::skipEmpty()
{
    while (m_shard != m_end && m_entry == m_shard->cend()) {
        ++m_shard;
        if (m_shard != m_end)
            m_entry = m_shard->cbegin();
    }
}

SummaryTable::const_iterator& SummaryTable::const_iterator::operator++()
{
    ++m_entry;
    skipEmpty();
    return *this;
}

SummaryTable::const_iterator SummaryTable::const_iterator::operator++(int)
{
    const const_iterator before = *this;
    ++*this;
    return before;
}

SummaryTable::const_iterator SummaryTable::begin() const
{
    if (!m_block)
        return {};
    const Shards& shards = m_block->shards;
    return {shards.data(), shards.data() + shards.size()};
}

SummaryTable::const_iterator SummaryTable::end() const
{
    if (!m_block)
        return {};
    const Shard* const last = m_block->shards.data() + m_block->shards.size();
    return {last, last};
}

std::size_t SummaryTable::shardIndex(const QString& id)
{
    // The shard comes from the hash's top bits after a multiplicative mix:
    // each QHash picks buckets from the low bits, and with a fixed hash seed
    // a shard's keys must not all share them.
    const quint64 mixed = quint64(qHash(id, 0)) * 0x9E3779B97F4A7C15ull;
    return std::size_t(mixed >> (64 - s_shardBits));
}

const SummaryTable::Shard* SummaryTable::shardFor(const QString& id) const
{
    return m_block ? &m_block->shards[shardIndex(id)] : nullptr;
}

SummaryTable::Shard& SummaryTable::writableShardFor(const QString& id)
{
    if (!m_block)
        m_block.reset(new Block);
    else
        m_block.detach();
    return m_block->shards[shardIndex(id)];
}

bool SummaryTable::contains(const QString& id) const
{
    const Shard* const shard = shardFor(id);
    return shard && shard->contains(id);
}

MessageSummary SummaryTable::value(const QString& id) const
{
    const Shard* const shard = shardFor(id);
    return shard ? shard->value(id) : MessageSummary();
}

void SummaryTable::insert(const MessageSummary& summary)
{
    insert(MessageSummary(summary));
}

void SummaryTable::insert(MessageSummary&& summary)
{
    Shard& shard = writableShardFor(summary.id());
    const qsizetype before = shard.size();
    const QString id = summary.id();
    shard.emplace(id, std::move(summary));
    m_size += shard.size() - before;
}

bool SummaryTable::remove(const QString& id)
{
    // Looked up first: removing from a shared table would copy it even when
    // the id is not there.
    if (!contains(id))
        return false;
    writableShardFor(id).remove(id);
    --m_size;
    return true;
}

const MessageSummary* SummaryTable::find(const QString& id) const
{
    const Shard* const shard = shardFor(id);
    if (!shard)
        return nullptr;
    const auto found = shard->constFind(id);
    return found == shard->constEnd() ? nullptr : &*found;
}

QStringList SummaryTable::keys() const
{
    QStringList keys;
    keys.reserve(m_size);
    for (const MessageSummary& summary : *this)
        keys.append(summary.id());
    return keys;
}

QList<MessageSummary> SummaryTable::values() const
{
    return {begin(), end()};
}

bool operator==(const SummaryTable& a, const SummaryTable& b)
{
    if (a.m_size != b.m_size)
        return false;
    if (a.m_block == b.m_block || a.m_size == 0)
        return true;
    return a.m_block->shards == b.m_block->shards;
}

} // namespace vesk
