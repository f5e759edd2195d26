// The cache file as the disk hands it back.

#include "FuzzCheck.h"
#include "model/MailJson.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::checkRoundTrip(
        data, size, [](const QByteArray& json) { return MailJson::decodeCache(json); },
        &MailJson::encodeCache);
    return 0;
}
