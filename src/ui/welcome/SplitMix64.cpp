#include "ui/welcome/SplitMix64.h"

namespace vesk {

namespace {

constexpr std::uint64_t s_mask53 = (std::uint64_t(1) << 53) - 1;
constexpr double s_twoToMinus53 = 1.0 / 9007199254740992.0; // 2^-53

// GCC's 128-bit integer gives the full 64 x 64 product in one multiply.
__extension__ typedef unsigned __int128 Wide;

} // namespace

SplitMix64::SplitMix64(std::uint64_t seed)
    : m_state(seed + s_golden)
{}

std::uint64_t SplitMix64::next()
{
    m_state += s_golden;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double SplitMix64::halfOpen(double a, double b)
{
    for (;;) {
        const double u = double(next() & s_mask53) * s_twoToMinus53;
        const double v = a + (b - a) * u;
        if (v != b)
            return v;
    }
}

double SplitMix64::closed(double a, double b)
{
    constexpr std::uint64_t bound = (std::uint64_t(1) << 53) + 1;
    // 2^64 mod bound: low products below it are the biased ones.
    constexpr std::uint64_t threshold = 0x1FFFFFFFFFF801ULL;
    static_assert(threshold == (0 - bound) % bound);
    std::uint64_t n = 0;
    for (;;) {
        const Wide product = Wide(next()) * bound;
        if (static_cast<std::uint64_t>(product) >= threshold) {
            n = static_cast<std::uint64_t>(product >> 64);
            break;
        }
    }
    if (n == bound - 1)
        return b;
    return a + (b - a) * double(n) * s_twoToMinus53;
}

} // namespace vesk
