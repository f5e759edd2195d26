#pragma once

#include "SecureStore.h"

#include <QString>

#include <mutex>
#include <optional>

namespace vesk {

/// The program's only door to the user's secure credential store (the Secret
/// Service: GNOME Keyring, KWallet, KeePassXC). Items hold short UTF-8 text
/// secrets addressed by (service, account), in the default collection.
///
/// The program builds one in `main` and shares it with whatever keeps
/// secrets. Every operation holds one mutex for its whole run, so all
/// secure-store calls of the program are serial and synchronous whatever
/// thread they come from.
/// Failures are never raised: writes and deletes report false, reads nothing.
class Keychain final : public SecureStore
{
public:
    Keychain() = default;
    Keychain(const Keychain&) = delete;
    Keychain& operator=(const Keychain&) = delete;

    /// Stores `value` as the secret of (service, account), replacing an earlier
    /// item in place: a failed write leaves the earlier secret readable.
    bool set(const QString& value, const QString& service, const QString& account) override;

    /// The secret, or nothing when there is no such item, the store cannot be
    /// reached, or the stored bytes are not valid UTF-8.
    std::optional<QString> get(const QString& service, const QString& account) const override;

    /// Removes the item; true when it was removed or did not exist.
    bool remove(const QString& service, const QString& account) override;

private:
    mutable std::mutex m_mutex;
};

} // namespace vesk
