// Exact rounding of a double to a multiple of a unit fraction (1/10000 for the table's decimals,
// 1/86400000 day for milliseconds), decided on the double's actual binary value.
#pragma once

#include <cstdint>
#include <optional>

namespace lintaro {

// Rounds `value * scale` to the nearest integer, an exact tie going to the even integer, and
// returns it when its magnitude is below `limit`. The product is formed exactly in integer
// arithmetic, so a double that lies a hair above or below a tie (1.00005 is 1.0000500000000001...)
// rounds the way its true value says, and a page value like 1.85 becomes exactly 18500. Returns
// nullopt for NaN, an infinity, or a result of magnitude `limit` or more. `scale` must be
// positive.
std::optional<int64_t> RoundScaledTiesToEven(double value, uint32_t scale, int64_t limit);

}  // namespace lintaro
