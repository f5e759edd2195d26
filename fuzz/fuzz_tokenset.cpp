// A token set as the keychain hands it back: anything decodes or is refused,
// and what decodes is stored back unchanged.

#include "FuzzCheck.h"
#include "auth/TokenSet.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<TokenSet> tokens = TokenSet::fromJson(json);
    if (!tokens)
        return 0;
    FUZZ_CHECK(tokens->expiresAt.isValid());
    const std::optional<TokenSet> again = TokenSet::fromJson(tokens->toJson());
    FUZZ_CHECK(again);
    FUZZ_CHECK(*again == *tokens);
    return 0;
}
