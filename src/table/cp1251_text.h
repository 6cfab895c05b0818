// Conversions between Windows-1251 bytes (the text of every page, pattern and table field) and
// UTF-8 (the source files' Russian literals and the CLI's output).
#pragma once

#include <string>
#include <string_view>

namespace lintaro::table {

// Every byte becomes its Unicode character; the one unassigned byte (0x98) becomes U+FFFD.
std::string Cp1251ToUtf8(std::string_view cp1251);

// Converts UTF-8 text to Windows-1251 bytes. A character the code page lacks, or a malformed UTF-8
// sequence, becomes "?". Meant for literals written readably in the source.
std::string Utf8ToCp1251(std::string_view utf8);

}  // namespace lintaro::table
