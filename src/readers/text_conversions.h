// The small text operations the line readers build on: trimming, the two lower-casings, 1-based
// find and copy, replacing, integer and number reading, and the clean-up of page text. Every text
// is Windows-1251 bytes in a std::string; any byte value, NUL included, may occur.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lintaro::readers {

// Removes every leading and trailing byte below 33 (blanks and control bytes). Byte 0xA0, the code
// page's no-break space, is kept.
std::string Trim(std::string_view text);

// Maps "A".."Z" to "a".."z" and leaves every other byte alone (Cyrillic capitals included).
std::string AsciiLower(std::string_view text);

// Maps every capital letter of Windows-1251 (Latin, Cyrillic А..Я, Ё and the other Cyrillic
// capitals of the code page) to its small letter.
std::string Cp1251Lower(std::string_view text);

// 1-based position of the first occurrence of `fragment` in `text`, byte-exact; 0 when it is absent
// or when either text is empty.
int Find(std::string_view text, std::string_view fragment);

// Up to `count` bytes from the 1-based position `index`. An index below 1 starts at position 1 and
// does not reduce the count; an index beyond the end or a negative count gives "".
std::string Copy(std::string_view text, int index, int count);

// Replaces every non-overlapping occurrence of `from`, scanning left to right; inserted text is
// not scanned again. An empty `from` leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Reads an optionally signed decimal integer, optionally preceded by spaces, that fills the whole
// text and fits 32 bits; nullopt for any other text.
std::optional<int> ReadInteger(std::string_view text);

// The bytes from the 1-based position `start` (below 1 counts as 1) up to, not including, the first
// `stop` byte at or after it, or up to the end of the text.
std::string CopyUntilChar(std::string_view text, int start, char stop);

// Reads the whole text as a decimal number with "." as the decimal mark, independent of any locale:
// spaces, an optional sign, digits with an optional "." and fraction (at least one digit or the
// "."), an optional exponent ("E"/"e", optional sign, digits), spaces. Anything else, a comma
// included, and a value beyond the double range give nullopt; a value too small for a double reads
// as 0.
std::optional<double> StrToFloatOrNull(std::string_view text);

// Replaces "&nbsp;" and then "&nbsp" by a blank (case-sensitive); numeric forms and byte 0xA0 stay.
std::string ReplaceNbsp(std::string_view text);

// Reads every NUL byte as a blank and ends every line with CR LF: a line ends at CR LF, at a
// lone CR or at a lone LF (LF CR is two line ends). A last line without a break gains one; an empty
// text stays empty.
std::string NormalizeLines(std::string_view text);

}  // namespace lintaro::readers
