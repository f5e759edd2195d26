#pragma once

#include "platform/Keychain.h"
#include "platform/SecureStore.h"

#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <mutex>

namespace vesk::test {

/// The real keychain of the private session, remembering every item written
/// through it so that a test can leave the keychain as it found it.
class TrackedKeychain final : public SecureStore
{
public:
    TrackedKeychain() = default;
    ~TrackedKeychain() override { removeWritten(); }

    bool set(const QString& value, const QString& service, const QString& account) override
    {
        {
            const std::scoped_lock lock(m_mutex);
            const auto item = qMakePair(service, account);
            if (!m_written.contains(item))
                m_written.append(item);
        }
        return m_keychain.set(value, service, account);
    }

    std::optional<QString> get(const QString& service, const QString& account) const override
    {
        ++m_reads;
        return m_keychain.get(service, account);
    }

    /// Items read so far, to see which work reaches the secret service.
    int reads() const { return m_reads; }

    bool remove(const QString& service, const QString& account) override
    {
        return m_keychain.remove(service, account);
    }

    /// Deletes every item written so far.
    void removeWritten()
    {
        const std::scoped_lock lock(m_mutex);
        for (const auto& [service, account] : std::as_const(m_written))
            m_keychain.remove(service, account);
        m_written.clear();
    }

private:
    Keychain m_keychain;
    std::mutex m_mutex;
    QList<QPair<QString, QString>> m_written;
    mutable std::atomic<int> m_reads = 0;
};

} // namespace vesk::test
