#include "Base64Encoding.h"

#include <array>
#include <cstring>

namespace vesk::Base64Encoding {

namespace {

constexpr qsizetype lineChars = 76;
constexpr qsizetype lineBytes = lineChars / 4 * 3;

using PairTable = std::array<std::array<char, 2>, 4096>;

constexpr PairTable pairsOf(const char (&alphabet)[65])
{
    PairTable table{};
    for (int group = 0; group < 4096; ++group)
        table[size_t(group)] = {alphabet[group >> 6], alphabet[group & 63]};
    return table;
}

constexpr char standardAlphabet[65] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char urlAlphabet[65] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr PairTable standardPairs = pairsOf(standardAlphabet);
constexpr PairTable urlPairs = pairsOf(urlAlphabet);

} // namespace

qsizetype encodedSize(qsizetype size, bool padded)
{
    return padded ? (size + 2) / 3 * 4 : size / 3 * 4 + (size % 3 ? size % 3 + 1 : 0);
}

char* encode(const char* in, qsizetype size, char* out, Alphabet alphabet, bool padded)
{
    const PairTable& pairs = alphabet == Alphabet::Url ? urlPairs : standardPairs;
    const char* chars = alphabet == Alphabet::Url ? urlAlphabet : standardAlphabet;
    const auto* bytes = reinterpret_cast<const unsigned char*>(in);
    const unsigned char* const end = bytes + size;
    while (end - bytes >= 3) {
        const unsigned group = unsigned(bytes[0]) << 16 | unsigned(bytes[1]) << 8 | bytes[2];
        std::memcpy(out, pairs[group >> 12].data(), 2);
        std::memcpy(out + 2, pairs[group & 0xFFF].data(), 2);
        bytes += 3;
        out += 4;
    }
    if (end - bytes == 0)
        return out;
    const bool two = end - bytes == 2;
    const unsigned group = unsigned(bytes[0]) << 16 | (two ? unsigned(bytes[1]) << 8 : 0U);
    *out++ = chars[group >> 18];
    *out++ = chars[(group >> 12) & 63];
    if (two)
        *out++ = chars[(group >> 6) & 63];
    else if (padded)
        *out++ = '=';
    if (padded)
        *out++ = '=';
    return out;
}

qsizetype foldedSize(qsizetype size)
{
    const qsizetype chars = encodedSize(size, true);
    const qsizetype lines = (chars + lineChars - 1) / lineChars;
    return chars + (lines > 1 ? (lines - 1) * 2 : 0);
}

char* foldedEncode(const char* in, qsizetype size, char* out)
{
    for (qsizetype at = 0; at < size; at += lineBytes) {
        if (at > 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
        out = encode(in + at, std::min(lineBytes, size - at), out, Alphabet::Standard, true);
    }
    return out;
}

} // namespace vesk::Base64Encoding
