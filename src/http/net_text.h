// Small text helpers the HTTP client, the cookie store and the date reader share. Protocol text
// (header names, cookie attributes, month names) compares in ASCII case only, whatever the locale,
// so Windows-1251 letters in values never fold.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/whole_number.h"  // ParseWholeNumber, which the protocol readers use throughout

namespace lintaro::http {

// A blank is any byte up to and including the space (control characters count as blanks).
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The capital of an ASCII small letter; every other byte, Windows-1251 letters included, stays.
inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `text` without its leading and trailing blanks (a view into `text`).
std::string_view TrimView(std::string_view text);
inline std::string TrimBlanks(std::string_view text) { return std::string(TrimView(text)); }

// Equality and suffix test with ASCII letters compared regardless of case.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// Four dot-separated decimal numbers 0..255 of one to three digits each, nothing else: an IPv4
// address written out. True with the address (the first number in the high byte) in `address`.
bool ParseDottedQuad(std::string_view text, std::uint32_t& address);

}  // namespace lintaro::http
