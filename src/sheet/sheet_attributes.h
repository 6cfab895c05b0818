// The attribute values an event sheet may keep, read as browsers read them and written back within
// the viewer's bounds; anything unreadable is dropped rather than guessed at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lintaro::sheet {

// A whole number as HTML reads one: leading spaces, an optional sign, digits; what follows is
// ignored. Saturates at ±1 000 000 000. Empty when there are no digits.
std::optional<long> ParseHtmlInteger(std::string_view value);

// colspan and rowspan: at least 1, at most `max`.
std::optional<std::string> BoundSpan(std::string_view value, int max);

// width and height: "N" pixels up to `max_pixels`, or "N%" up to 100 when `percent_allowed`.
std::optional<std::string> BoundLength(std::string_view value, int max_pixels,
                                       bool percent_allowed);

// border, cellpadding, cellspacing: 0 to `max` pixels.
std::optional<std::string> BoundSpacing(std::string_view value, int max);

// font size: "N", "+N" or "-N" (relative to 3), written as the absolute size 1 to 7.
std::optional<std::string> BoundFontSize(std::string_view value);

// align and valign: one of the keywords, in lower case.
std::optional<std::string> BoundAlign(std::string_view value);
std::optional<std::string> BoundVerticalAlign(std::string_view value);

// bgcolor and color: "#" and 3 or 6 hex digits, or a colour name of letters only.
std::optional<std::string> BoundColour(std::string_view value);

}  // namespace lintaro::sheet
