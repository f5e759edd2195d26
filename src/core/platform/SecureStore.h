#pragma once

#include <QString>

#include <optional>

namespace vesk {

/// Short text secrets addressed by (service, account): the client secret and
/// each account's tokens. The program's store is the libsecret Keychain; the
/// interface keeps what the secrets are for apart from where they are kept.
///
/// Implementations are callable from any thread and serialise themselves.
/// Failures are never raised: writes and deletes report false, reads nothing.
class SecureStore
{
public:
    virtual ~SecureStore() = default;

    /// Stores `value` as the secret of (service, account), replacing an earlier
    /// item in place: a failed write leaves the earlier secret readable.
    virtual bool set(const QString& value, const QString& service, const QString& account) = 0;
    /// The secret, or nothing when there is no such item or it cannot be read.
    virtual std::optional<QString> get(const QString& service, const QString& account) const = 0;
    /// Removes the item; true when it was removed or did not exist.
    virtual bool remove(const QString& service, const QString& account) = 0;
};

} // namespace vesk
