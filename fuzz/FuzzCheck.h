#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that must hold for every input. A broken one aborts, which
// libFuzzer reports as a finding and the replay as a failed test.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace vesk::fuzz {

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

/// For what is read back from disk: anything decodes or is refused, and what
/// decodes is written back to bytes that decode to the same value. Returns
/// the decoded value for further checks.
template <typename Decode, typename Encode>
auto checkRoundTrip(const uint8_t* data, size_t size, Decode decode, Encode encode)
{
    const auto decoded = decode(bytesOf(data, size));
    if (decoded) {
        const auto again = decode(encode(*decoded));
        FUZZ_CHECK(again);
        FUZZ_CHECK(*again == *decoded);
    }
    return decoded;
}

/// Hands out the input piece by piece, so that one input can fill several
/// fields: a piece ends at a 0x1F byte (a control character no real field
/// carries), the last piece at the end of the input.
class InputPieces final
{
public:
    InputPieces(const uint8_t* data, size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {}

    bool atEnd() const { return m_at >= m_bytes.size(); }
    /// The bytes not handed out yet, 0x1F bytes and all.
    QByteArray rest() const { return atEnd() ? QByteArray() : m_bytes.mid(m_at); }

    QByteArray nextBytes()
    {
        if (atEnd())
            return {};
        qsizetype end = m_bytes.indexOf('\x1f', m_at);
        if (end < 0)
            end = m_bytes.size();
        const QByteArray piece = m_bytes.mid(m_at, end - m_at);
        m_at = end + 1;
        return piece;
    }

    QString nextText() { return QString::fromUtf8(nextBytes()); }

    /// One byte as a small number, 0 at the end.
    int nextChoice()
    {
        if (atEnd())
            return 0;
        return uint8_t(m_bytes.at(m_at++));
    }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

} // namespace vesk::fuzz
