#pragma once

#include <cstdint>

namespace vesk {

/// SplitMix64, a small deterministic generator: the same seed gives the same
/// sequence on every machine, which is all a decorative picture needs (it is
/// not for anything secret). Value type; not shared between threads.
class SplitMix64 final
{
public:
    static constexpr std::uint64_t s_golden = 0x9E3779B97F4A7C15ULL;

    /// Starts from the state `seed` + the golden increment.
    explicit SplitMix64(std::uint64_t seed);

    std::uint64_t next();

    /// A double in [a, b), from the top 53 bits' worth of one draw; a draw that
    /// rounds to b is discarded.
    double halfOpen(double a, double b);

    /// A double in [a, b], both ends included: an unbiased integer in
    /// 0 ... 2^53 (Lemire's multiply-high method) scaled onto the range.
    double closed(double a, double b);

private:
    std::uint64_t m_state;
};

} // namespace vesk
