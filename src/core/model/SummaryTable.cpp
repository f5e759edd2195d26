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

SummaryTable::const_iterator SummaryTable::end() const
{
    const Shard* const last = m_shards.data() + m_shards.size();
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

void SummaryTable::insert(const MessageSummary& summary)
{
    insert(MessageSummary(summary));
}

void SummaryTable::insert(MessageSummary&& summary)
{
    Shard& shard = shardFor(summary.id());
    const qsizetype before = shard.size();
    const QString id = summary.id();
    shard.emplace(id, std::move(summary));
    m_size += shard.size() - before;
}

bool SummaryTable::remove(const QString& id)
{
    Shard& shard = shardFor(id);
    // Looked up first: removing from a shared shard would copy it even when
    // the id is not there.
    if (!std::as_const(shard).contains(id))
        return false;
    shard.remove(id);
    --m_size;
    return true;
}

const MessageSummary* SummaryTable::find(const QString& id) const
{
    const Shard& shard = shardFor(id);
    const auto found = shard.constFind(id);
    return found == shard.constEnd() ? nullptr : &*found;
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
    return a.m_size == b.m_size && a.m_shards == b.m_shards;
}

} // namespace vesk
