#include "AccountIdentity.h"

#include <QHashFunctions>

namespace vesk {

size_t qHash(const AccountIdentity& identity, size_t seed) noexcept
{
    return qHashMulti(seed, identity.email, identity.name);
}

} // namespace vesk
