#include "ParsedPrefixRelease.h"

#include <sys/mman.h>
#include <unistd.h>

namespace vesk::json {

namespace {

// The tape's layout (simdjson's tape.md): the type in the top byte, a
// payload in the other 56 bits; a string's payload is the offset of its
// 4-byte length in the string buffer; numbers take a second, raw word.
constexpr std::uint64_t payloadMask = 0x00FFFFFFFFFFFFFFULL;

char typeOf(std::uint64_t entry)
{
    return char(entry >> 56);
}

std::uintptr_t pageSize()
{
    static const auto s_size = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    return s_size;
}

std::uintptr_t pageUp(std::uintptr_t address)
{
    return (address + pageSize() - 1) & ~(pageSize() - 1);
}

std::uintptr_t pageDown(std::uintptr_t address)
{
    return address & ~(pageSize() - 1);
}

} // namespace

ParsedPrefixRelease::ParsedPrefixRelease(simdjson::dom::parser& parser)
    : m_tape(parser.doc.tape.get())
    , m_strings(parser.doc.string_buf.get())
{
    // Only the second stage of parsing reads the index; the DOM never does.
    if (parser.implementation)
        parser.implementation->structural_indexes.reset();
    // The root entry's payload is the index of the closing root entry.
    if (m_tape && typeOf(m_tape[0]) == 'r')
        m_tapeLength = std::size_t(m_tape[0] & payloadMask) + 1;
}

void ParsedPrefixRelease::begin(std::string_view firstKey)
{
    m_cursor = 0;
    const std::size_t index = tapeIndexOf(firstKey);
    if (index == m_tapeLength)
        return; // not found: release nothing rather than guess
    m_tapeReleased = pageUp(std::uintptr_t(m_tape + index + 1));
    m_stringsReleased = pageUp(std::uintptr_t(firstKey.data() + firstKey.size()));
    m_active = true;
}

void ParsedPrefixRelease::releaseBefore(std::string_view key)
{
    if (!m_active)
        return;
    const std::size_t index = tapeIndexOf(key);
    if (index == m_tapeLength) {
        m_active = false;
        return;
    }
    release(m_tapeReleased, m_tapeReleased, pageDown(std::uintptr_t(m_tape + index)));
    // The name's 4-byte length comes just before its text.
    release(m_stringsReleased, m_stringsReleased, pageDown(std::uintptr_t(key.data()) - 4));
}

std::size_t ParsedPrefixRelease::tapeIndexOf(std::string_view key)
{
    const auto offset =
        std::uint64_t(reinterpret_cast<const std::uint8_t*>(key.data()) - 4 - m_strings);
    std::size_t at = m_cursor;
    while (at < m_tapeLength) {
        const std::uint64_t entry = m_tape[at];
        const char type = typeOf(entry);
        if (type == '"' && (entry & payloadMask) == offset) {
            m_cursor = at;
            return at;
        }
        at += (type == 'l' || type == 'u' || type == 'd') ? 2 : 1;
    }
    return m_tapeLength;
}

void ParsedPrefixRelease::release(std::uintptr_t& released, std::uintptr_t floor,
                                  std::uintptr_t limit)
{
    if (limit <= floor)
        return;
    // The addresses are kept as integers to compare them; madvise wants one back.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (::madvise(reinterpret_cast<void*>(floor), limit - floor, MADV_DONTNEED) == 0)
        released = limit;
}

} // namespace vesk::json
