// The wide path of exact rounding: products of up to 85 bits (a 53-bit mantissa times a 32-bit
// scale) in 128-bit integers, for scales with a large odd factor and for very large or tiny values.
#include "table/exact_rounding.h"

namespace lintaro::table::rounding_internal {

bool RoundScaledWide(bool negative, uint64_t mantissa, int exponent, uint64_t odd, int64_t limit,
                     int64_t* result) {
    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * odd;
    unsigned __int128 magnitude;
    if (exponent >= 0) {
        // The value is 2^52 or more: far beyond any limit the table uses, but stay exact anyway.
        if (exponent > 40) return false;
        magnitude = product << exponent;
    } else if (-exponent >= 90) {
        magnitude = 0;  // product < 2^85 <= half a unit: rounds to zero
    } else {
        const int shift = -exponent;
        const unsigned __int128 one = 1;
        const unsigned __int128 remainder = product & ((one << shift) - 1);
        const unsigned __int128 half = one << (shift - 1);
        magnitude = product >> shift;
        if (remainder > half || (remainder == half && (magnitude & 1) != 0)) ++magnitude;
    }
    if (magnitude >= static_cast<unsigned __int128>(limit)) return false;
    const auto signed_magnitude = static_cast<int64_t>(magnitude);
    *result = negative ? -signed_magnitude : signed_magnitude;
    return true;
}

}  // namespace lintaro::table::rounding_internal
