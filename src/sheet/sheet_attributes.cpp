// Reading and bounding the attribute values an event sheet keeps.
#include "sheet/sheet_attributes.h"

#include <algorithm>
#include <cctype>

namespace lintaro::sheet {

namespace {

constexpr long kSaturation = 1'000'000'000;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

std::string_view TrimSpaces(std::string_view value) {
    while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsSpace(value.back())) value.remove_suffix(1);
    return value;
}

std::string Lower(std::string_view value) {
    std::string lower(value);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::optional<std::string> OneOf(std::string_view value,
                                 std::initializer_list<std::string_view> keywords) {
    const std::string lower = Lower(TrimSpaces(value));
    for (std::string_view keyword : keywords) {
        if (lower == keyword) return lower;
    }
    return std::nullopt;
}

}  // namespace

std::optional<long> ParseHtmlInteger(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && IsSpace(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
    if (i >= value.size() || !std::isdigit(static_cast<unsigned char>(value[i]))) {
        return std::nullopt;
    }
    long number = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        number = std::min(kSaturation, number * 10 + (value[i] - '0'));
    }
    return negative ? -number : number;
}

std::optional<std::string> BoundSpan(std::string_view value, int max) {
    const std::optional<long> span = ParseHtmlInteger(value);
    if (!span) return std::nullopt;
    return std::to_string(std::clamp<long>(*span, 1, max));
}

std::optional<std::string> BoundLength(std::string_view value, int max_pixels,
                                       bool percent_allowed) {
    const std::optional<long> length = ParseHtmlInteger(value);
    if (!length || *length < 0) return std::nullopt;
    // A fraction ("33.3%") counts by its whole part; the unit is the first thing after the digits.
    size_t unit = value.find_first_not_of(" \t\n\f\r+0123456789.");
    const bool percent = unit != std::string_view::npos && value[unit] == '%';
    if (percent) {
        if (!percent_allowed) return std::nullopt;
        return std::to_string(std::min<long>(*length, 100)) + "%";
    }
    return std::to_string(std::min<long>(*length, max_pixels));
}

std::optional<std::string> BoundSpacing(std::string_view value, int max) {
    const std::optional<long> spacing = ParseHtmlInteger(value);
    if (!spacing) return std::nullopt;
    return std::to_string(std::clamp<long>(*spacing, 0, max));
}

std::optional<std::string> BoundFontSize(std::string_view value) {
    const std::string_view trimmed = TrimSpaces(value);
    const std::optional<long> size = ParseHtmlInteger(trimmed);
    if (!size) return std::nullopt;
    const bool relative = trimmed.front() == '+' || trimmed.front() == '-';
    // Relative sizes count from 3; the clamp keeps a saturated number from overflowing.
    const long absolute = relative ? 3 + std::clamp<long>(*size, -10, 10) : *size;
    return std::to_string(std::clamp<long>(absolute, 1, 7));
}

std::optional<std::string> BoundAlign(std::string_view value) {
    return OneOf(value, {"left", "right", "center", "justify"});
}

std::optional<std::string> BoundVerticalAlign(std::string_view value) {
    return OneOf(value, {"top", "middle", "bottom", "baseline"});
}

std::optional<std::string> BoundColour(std::string_view value) {
    const std::string_view colour = TrimSpaces(value);
    const auto all_of = [](std::string_view text, int (*is)(int)) {
        return std::all_of(text.begin(), text.end(),
                           [is](char c) { return is(static_cast<unsigned char>(c)) != 0; });
    };
    if (!colour.empty() && colour.front() == '#') {
        const std::string_view digits = colour.substr(1);
        if ((digits.size() == 3 || digits.size() == 6) && all_of(digits, std::isxdigit)) {
            return Lower(colour);
        }
        return std::nullopt;
    }
    if (!colour.empty() && colour.size() <= 20 && all_of(colour, std::isalpha)) {
        return Lower(colour);
    }
    return std::nullopt;
}

}  // namespace lintaro::sheet
