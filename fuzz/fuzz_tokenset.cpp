// A token set as the keychain hands it back.

#include "FuzzCheck.h"
#include "auth/TokenSet.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto tokens = fuzz::checkRoundTrip(data, size, &TokenSet::fromJson,
                                             [](const TokenSet& set) { return set.toJson(); });
    FUZZ_CHECK(!tokens || tokens->expiresAt.isValid());
    return 0;
}
