// The account registry as stored in the settings: anything decodes or is
// refused, and what decodes is stored back unchanged.

#include "FuzzCheck.h"
#include "model/MailJson.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto entries = MailJson::decodeRegistry(json);
    if (!entries)
        return 0;
    const auto again = MailJson::decodeRegistry(MailJson::encodeRegistry(*entries));
    FUZZ_CHECK(again);
    FUZZ_CHECK(*again == *entries);
    return 0;
}
