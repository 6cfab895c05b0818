// Rounds through the double's mantissa and exponent: value = mantissa * 2^exponent exactly, so
// value * scale = (mantissa * scale) * 2^exponent, formed in 64 or 128 bits without any loss.
#include "exact_rounding.h"

#include <bit>

namespace lintaro {

std::optional<int64_t> RoundScaledTiesToEven(double value, uint32_t scale, int64_t limit) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased_exponent == 0x7FF) return std::nullopt;  // NaN or an infinity
    int exponent;
    if (biased_exponent == 0) {
        exponent = -1074;  // zero or subnormal: no implicit leading bit
    } else {
        mantissa |= uint64_t{1} << 52;
        exponent = biased_exponent - 1075;
    }

    // value * scale = mantissa * odd * 2^(exponent + twos) with scale = odd * 2^twos. For the
    // table's decimals odd is 625, so the product fits 64 bits and the common case stays cheap.
    const int twos = std::countr_zero(scale);
    const uint64_t odd = scale >> twos;
    exponent += twos;
    const int shift = -exponent;
    if (odd < (uint64_t{1} << 11) && shift > 0 && shift < 64) {
        const uint64_t product = mantissa * odd;  // < 2^53 * 2^11
        const uint64_t remainder = product & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        uint64_t magnitude = product >> shift;
        // Without branches: whether a price rounds up is a coin toss the predictor cannot learn.
        magnitude += static_cast<uint64_t>(remainder > half) |
                     (static_cast<uint64_t>(remainder == half) & magnitude);
        if (magnitude >= static_cast<uint64_t>(limit)) return std::nullopt;
        const auto result = static_cast<int64_t>(magnitude);
        return negative ? -result : result;
    }

    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * odd;
    unsigned __int128 magnitude;
    if (exponent >= 0) {
        // The value is 2^52 or more: far beyond any limit the table uses, but stay exact anyway.
        if (exponent > 40) return std::nullopt;
        magnitude = product << exponent;
    } else if (shift >= 90) {
        magnitude = 0;  // product < 2^85 <= half a unit: rounds to zero
    } else {
        const unsigned __int128 one = 1;
        const unsigned __int128 remainder = product & ((one << shift) - 1);
        const unsigned __int128 half = one << (shift - 1);
        magnitude = product >> shift;
        if (remainder > half || (remainder == half && (magnitude & 1) != 0)) ++magnitude;
    }
    if (magnitude >= static_cast<unsigned __int128>(limit)) return std::nullopt;
    const auto result = static_cast<int64_t>(magnitude);
    return negative ? -result : result;
}

}  // namespace lintaro
