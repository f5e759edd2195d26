// Every record Google's answers are decoded into. The first byte picks the
// record, the rest is the answer body; a malformed body may only fail with
// GmailError.

#include "FuzzCheck.h"
#include "gmail/GmailError.h"
#include "gmail/WireRecords.h"

#include <iterator>

using namespace vesk;

namespace {

template <typename Record>
void decode(const QByteArray& body)
{
    try {
        [[maybe_unused]] const Record record = decodeWire<Record>(body);
    } catch (const GmailError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static constexpr void (*decoders[])(const QByteArray&) = {
        decode<LabelListDTO>,   decode<LabelListDTO::Label>, decode<MessageDTO>,
        decode<MessageListDTO>, decode<ThreadDTO>,           decode<HistoryListDTO>,
        decode<AttachmentDTO>,  decode<GmailProfileDTO>,     decode<UserInfoDTO>};
    decoders[data[0] % std::size(decoders)](fuzz::bytesOf(data + 1, size - 1));
    return 0;
}
