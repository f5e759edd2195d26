// A conversation kept for reading offline, as the disk hands it back:
// anything decodes or is refused, and what decodes is written back to a file
// that decodes to the same conversation.

#include "FuzzCheck.h"
#include "model/MailJson.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<StoredThread> thread = MailJson::decodeStoredThread(json);
    if (!thread)
        return 0;
    QString error;
    const std::optional<StoredThread> again =
        MailJson::decodeStoredThread(MailJson::encode(*thread), &error);
    if (!again)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    FUZZ_CHECK(again);
    FUZZ_CHECK(*again == *thread);
    return 0;
}
