#pragma once

#include "SecureStore.h"

#include <QHash>
#include <QPair>

#include <mutex>

namespace vesk {

/// A secure store that keeps its secrets in this process's memory only and
/// forgets them when it ends: for throwaway profiles (the demo) that must
/// never read or write the user's real keyring. Callable from any thread.
class MemorySecureStore final : public SecureStore
{
public:
    bool set(const QString& value, const QString& service, const QString& account) override;
    std::optional<QString> get(const QString& service, const QString& account) const override;
    bool remove(const QString& service, const QString& account) override;

private:
    mutable std::mutex m_mutex;
    QHash<QPair<QString, QString>, QString> m_secrets;
};

} // namespace vesk
