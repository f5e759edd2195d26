// The account registry as stored in the settings.

#include "FuzzCheck.h"
#include "model/MailJson.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::checkRoundTrip(
        data, size, [](const QByteArray& json) { return MailJson::decodeRegistry(json); },
        &MailJson::encodeRegistry);
    return 0;
}
