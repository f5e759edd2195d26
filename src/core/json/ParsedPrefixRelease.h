#pragma once

// Internal, like JsonReading.h: include it only from .cpp files.

#include <cstddef>
#include <cstdint>
#include <simdjson.h>
#include <string_view>

namespace vesk::json {

/// Hands the memory behind the already-decoded part of one large object of a
/// DOM document back to the system while the rest is still being decoded.
///
/// A parsed document keeps a tape of 8-byte entries and a copy of every
/// string; for the mail cache both together are as large as the summaries
/// decoded from them, and holding them all until the end would nearly double
/// the memory a store needs while it loads. The members of an object lie in
/// document order in both buffers, so once the decoder is at member i, the
/// whole pages before member i's name are never read again: they are
/// released with MADV_DONTNEED (the buffers stay allocated and are freed as
/// usual with the parser). The parser's index of structural characters is
/// not read at all after parsing and is freed at once.
///
/// The object's own opening, and everything before its first member, is
/// kept: the enclosing iteration reads them again to step over the object.
/// Not thread-safe; lives while one decoder runs.
class ParsedPrefixRelease final
{
public:
    explicit ParsedPrefixRelease(simdjson::dom::parser& parser);

    /// `firstKey`: the name of the object's first member, as the parser gave it.
    void begin(std::string_view firstKey);
    /// `key`: the name of a later member of the same object, the decoder being at it.
    void releaseBefore(std::string_view key);

private:
    std::size_t tapeIndexOf(std::string_view key);
    static void release(std::uintptr_t& released, std::uintptr_t floor, std::uintptr_t limit);

    const std::uint64_t* m_tape = nullptr;
    std::size_t m_tapeLength = 0;
    const std::uint8_t* m_strings = nullptr;
    std::size_t m_cursor = 0; // tape index of the last member name found
    std::uintptr_t m_tapeReleased = 0;
    std::uintptr_t m_stringsReleased = 0;
    bool m_active = false;
};

} // namespace vesk::json
