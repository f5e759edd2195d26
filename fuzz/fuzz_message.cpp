// A message as Gmail sends it, down to the summary the cache keeps and the
// full message the reader shows: headers, MIME part trees, bodies in any
// charset and base64url, attachments.

#include "FuzzCheck.h"
#include "gmail/GmailError.h"
#include "gmail/WireRecords.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::bytesOf(data, size);
    MessageDTO message;
    try {
        message = decodeWire<MessageDTO>(body);
    } catch (const GmailError&) {
        return 0;
    }
    const MessageSummary summary = message.toSummary();
    FUZZ_CHECK(summary.id() == message.id);
    FUZZ_CHECK(summary.threadId() == message.threadId);
    const FullMessage full = message.toFull();
    FUZZ_CHECK(full.id == message.id);
    FUZZ_CHECK(full.threadId == message.threadId);
    // The reader and the cache show the same sender and subject.
    FUZZ_CHECK(full.subject == summary.subject());
    FUZZ_CHECK(full.fromEmail == summary.fromEmail());
    return 0;
}
