// Reading decimal whole numbers without a locale. Callers trim or check the text around the number
// by their own rules; this is the one place the digits become a value.
#pragma once

#include <cstdint>
#include <string_view>

namespace lintaro::base {

// An optional "+" or "-" and one or more decimal digits, nothing else (no blanks). False, with
// `value` untouched, for any other text or a value outside the 64-bit range.
bool ParseWholeNumber(std::string_view text, int64_t& value);

}  // namespace lintaro::base
