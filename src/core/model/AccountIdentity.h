#pragma once

#include <QString>

namespace vesk {

/// Who a linked account is. The email identifies the account everywhere; the
/// name is only shown.
struct AccountIdentity
{
    QString email;
    QString name;

    const QString& id() const { return email; }

    friend bool operator==(const AccountIdentity&, const AccountIdentity&) = default;
};

size_t qHash(const AccountIdentity& identity, size_t seed = 0) noexcept;

} // namespace vesk
