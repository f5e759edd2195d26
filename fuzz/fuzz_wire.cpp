// Every record Google's answers are decoded into. The first byte picks the
// record, the rest is the answer body; a malformed body may only fail with
// GmailError.

#include "FuzzCheck.h"
#include "gmail/GmailError.h"
#include "gmail/WireRecords.h"

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
    const QByteArray body(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 9) {
    case 0:
        decode<LabelListDTO>(body);
        break;
    case 1:
        decode<LabelListDTO::Label>(body);
        break;
    case 2:
        decode<MessageDTO>(body);
        break;
    case 3:
        decode<MessageListDTO>(body);
        break;
    case 4:
        decode<ThreadDTO>(body);
        break;
    case 5:
        decode<HistoryListDTO>(body);
        break;
    case 6:
        decode<AttachmentDTO>(body);
        break;
    case 7:
        decode<GmailProfileDTO>(body);
        break;
    default:
        decode<UserInfoDTO>(body);
        break;
    }
    return 0;
}
