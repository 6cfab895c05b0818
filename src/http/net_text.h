// Small text helpers the HTTP client, the cookie store and the date reader share. Protocol text
// (header names, cookie attributes, month names) compares in ASCII case only, whatever the locale,
// so Windows-1251 letters in values never fold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lintaro {

// A blank is any byte up to and including the space (control characters count as blanks).
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// `text` without its leading and trailing blanks (a view into `text`).
std::string_view TrimView(std::string_view text);
inline std::string TrimBlanks(std::string_view text) { return std::string(TrimView(text)); }

// Equality and suffix test with ASCII letters compared regardless of case.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// A decimal integer with an optional sign and nothing else, at most 18 digits so it cannot
// overflow; false (and `value` untouched) for anything else.
bool ParseWholeNumber(std::string_view text, std::int64_t& value);

}  // namespace lintaro
