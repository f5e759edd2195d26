#include "MessageSink.h"

#include "Base64Encoding.h"

#include <algorithm>
#include <array>

namespace vesk {

namespace {

// Whole lines of 57 bytes, so that the slices join with a plain line end,
// and small enough that a slice stays in the processor's cache while the
// sink reads it again.
constexpr qsizetype sliceBytes = 57 * 512;

} // namespace

void MessageSink::appendFoldedBase64(QByteArrayView data)
{
    std::array<char, sliceBytes / 57 * 78> folded;
    for (qsizetype at = 0; at < data.size(); at += sliceBytes) {
        if (at > 0)
            append("\r\n");
        const qsizetype slice = std::min(sliceBytes, data.size() - at);
        const char* end = Base64Encoding::foldedEncode(data.data() + at, slice, folded.data());
        append(QByteArrayView(folded.data(), end - folded.data()));
    }
}

} // namespace vesk
