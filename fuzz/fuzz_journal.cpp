// The journal of changes waiting for Gmail, as read back from disk: anything
// decodes or is refused whole, and what decodes is written back unchanged.

#include "FuzzCheck.h"
#include "model/ChangeJournal.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto decoded = ChangeJournal::decode(fuzz::bytesOf(data, size));
    if (!decoded)
        return 0;
    for (const PendingChange& change : decoded->changes)
        FUZZ_CHECK(change.id > 0 && change.id < decoded->nextId && !change.threadIds.isEmpty());
    const auto again =
        ChangeJournal::decode(ChangeJournal::encode(decoded->changes, decoded->nextId));
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->changes == decoded->changes && again->nextId == decoded->nextId);
    return 0;
}
