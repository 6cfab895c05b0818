// Exact rounding of a double to a multiple of a unit fraction (1/10000 for the table's decimals,
// 1/86400000 day for milliseconds), decided on the double's actual binary value.
#pragma once

#include <bit>
#include <cstdint>

namespace lintaro::table {

namespace rounding_internal {
// The general case in 128-bit arithmetic; see RoundScaledTiesToEven.
bool RoundScaledWide(bool negative, uint64_t mantissa, int exponent, uint64_t odd, int64_t limit,
                     int64_t* result);
}  // namespace rounding_internal

// Rounds `value * scale` to the nearest integer, an exact tie going to the even integer, and
// returns it when its magnitude is below `limit`. The product is formed exactly in integer
// arithmetic, so a double that lies a hair above or below a tie (1.00005 is 1.0000500000000001...)
// rounds the way its true value says, and a page value like 1.85 becomes exactly 18500. Returns
// nullopt for NaN, an infinity, or a result of magnitude `limit` or more. `scale` must be positive.
//
// How: value = mantissa * 2^exponent exactly, and scale = odd * 2^twos, so value * scale is
// (mantissa * odd) * 2^(exponent + twos). For the table's decimals odd is 625, the product fits 64
// bits, and this inline path handles every price a page can hold; the rest goes to 128 bits.
inline bool RoundScaledTiesToEven(double value, uint32_t scale, int64_t limit, int64_t* result) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased_exponent == 0x7FF) return false;  // NaN or an infinity
    int exponent = -1074;                        // zero or subnormal: no implicit leading bit
    if (biased_exponent != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = biased_exponent - 1075;
    }
    const int twos = std::countr_zero(scale);
    const uint64_t odd = scale >> twos;
    exponent += twos;
    const int shift = -exponent;
    if (odd >= (uint64_t{1} << 11) || shift <= 0 || shift >= 64) {
        return rounding_internal::RoundScaledWide(negative, mantissa, exponent, odd, limit, result);
    }
    const uint64_t product = mantissa * odd;  // < 2^53 * 2^11
    const uint64_t remainder = product & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    uint64_t magnitude = product >> shift;
    // Without branches: whether a price rounds up is a coin toss the predictor cannot learn.
    magnitude += static_cast<uint64_t>(remainder > half) |
                 (static_cast<uint64_t>(remainder == half) & magnitude);
    if (magnitude >= static_cast<uint64_t>(limit)) return false;
    const auto signed_magnitude = static_cast<int64_t>(magnitude);
    *result = negative ? -signed_magnitude : signed_magnitude;
    return true;
}

}  // namespace lintaro::table
