#pragma once

#include "AccountIdentity.h"

namespace vesk {

/// One linked account and its new-mail notification switch.
struct AccountRegistryEntry
{
    AccountIdentity identity;
    bool notificationsEnabled = true;

    friend bool operator==(const AccountRegistryEntry&, const AccountRegistryEntry&) = default;
};

} // namespace vesk
