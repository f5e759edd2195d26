// Address text from mail headers and from what the user types into To, Cc
// and Bcc: read into names and addresses, split into entries, and written
// into a header that no entry can break out of.

#include "FuzzCheck.h"
#include "compose/MIMEBuilder.h"
#include "compose/OutgoingAddress.h"
#include "gmail/WireRecords.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    [[maybe_unused]] const auto [name, address] = parseAddress(text);

    const QStringList entries = MIMEBuilder::splitAddresses(text);
    FUZZ_CHECK(entries.size() <= text.count(u',') + 1);
    for (const QString& entry : entries) {
        FUZZ_CHECK(!entry.isEmpty());
        FUZZ_CHECK(entry.front() != u' ' && entry.front() != u'\t');
        FUZZ_CHECK(entry.back() != u' ' && entry.back() != u'\t');
        [[maybe_unused]] const auto outgoing = OutgoingAddress::parse(entry);
        // Header words are 7-bit text without controls: no entry can add a
        // header or a line of its own.
        for (const QByteArray& word : OutgoingAddress::headerWords(entry)) {
            for (const char c : word)
                FUZZ_CHECK(c >= 0x20 && c < 0x7F);
        }
    }
    return 0;
}
