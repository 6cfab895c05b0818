// Column filter evaluation: value choices compare display texts, custom comparisons compare values
// where the column has them (dates, numbers) and Windows-1251 texts otherwise.
#include "grid/grid_filter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "grid/column_value.h"
#include "table/cp1251_text.h"

namespace lintaro::grid {

using table::Cp1251ToUtf8;
using table::DateTime;
using table::Decimal;
using table::FieldKind;
using table::RegionalFormats;
using table::StoredValue;
using table::Utf8ToCp1251;

namespace {

// Windows-1251 byte -> its lower-case letter (itself for everything that is no capital).
struct FoldTable {
    std::array<unsigned char, 256> lower{};
    FoldTable() {
        for (int b = 0; b < 256; ++b) lower[b] = static_cast<unsigned char>(b);
        for (int b = 'A'; b <= 'Z'; ++b) lower[b] = static_cast<unsigned char>(b + 32);
        for (int b = 0xC0; b <= 0xDF; ++b) lower[b] = static_cast<unsigned char>(b + 32);
        constexpr std::pair<int, int> kPairs[] = {
            {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
            {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
            {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
        for (const auto& [upper, small] : kPairs) lower[upper] = static_cast<unsigned char>(small);
    }
};

unsigned char Fold(char c) {
    static const FoldTable table;
    return table.lower[static_cast<unsigned char>(c)];
}

// A cell reduced to what comparisons need. For dates and numbers `value` is the cell as shown
// (dates to the second in ms, decimals rounded to their shown digits in 0.0001 units, integers in
// 0.0001 units too, so that an operand read as a decimal compares directly).
struct Cell {
    bool blank = true;
    std::optional<int64_t> value;
};

// Rounds a non-negative or negative scaled decimal to a multiple of `step`, an exact half to the
// even multiple, as the display formats do (on the magnitude).
int64_t RoundScaled(int64_t scaled, int64_t step) {
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : scaled;
    uint64_t quotient = magnitude / step;
    const uint64_t twice_remainder = 2 * (magnitude % step);
    if (twice_remainder > static_cast<uint64_t>(step) ||
        (twice_remainder == static_cast<uint64_t>(step) && quotient % 2 != 0)) {
        ++quotient;
    }
    const int64_t rounded = static_cast<int64_t>(quotient) * step;
    return negative ? -rounded : rounded;
}

int64_t FloorToSecond(int64_t ms) {
    int64_t seconds = ms / 1000;
    if (ms % 1000 < 0) --seconds;
    return seconds * 1000;
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
    return text;
}

// Scaled units (0.0001) of a number text, also beyond the table's own range.
std::optional<int64_t> ParseScaled(std::string_view text, const RegionalFormats& formats) {
    text = Trim(text);
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        if (!formats.decimal_mark.empty() && text.substr(i).starts_with(formats.decimal_mark)) {
            plain += '.';
            i += formats.decimal_mark.size();
        } else {
            plain += text[i++];
        }
    }
    std::string_view digits = plain;
    if (digits.starts_with('+')) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::fixed);
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value) ||
        std::fabs(value) > 9e14) {
        return std::nullopt;
    }
    if (const auto decimal = table::DecimalFromDouble(value)) return decimal->scaled;
    return static_cast<int64_t>(std::llround(value * table::kDecimalScale));
}

struct PreparedComparison {
    CompareOp op = CompareOp::kEquals;
    std::string operand_utf8;
    std::string operand_cp1251;
    bool operand_round_trips = true;  // operand_cp1251 stands for exactly operand_utf8
    std::optional<int64_t> operand_value;
};

int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);  // char_traits<char> compares as unsigned bytes
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool OrderedResult(CompareOp op, int order) {
    switch (op) {
        case CompareOp::kLess:
            return order < 0;
        case CompareOp::kLessOrEqual:
            return order <= 0;
        case CompareOp::kGreater:
            return order > 0;
        case CompareOp::kGreaterOrEqual:
            return order >= 0;
        default:
            return false;
    }
}

}  // namespace

ColumnFilter ColumnFilter::Value(std::string value) {
    ColumnFilter f;
    f.kind = Kind::kValue;
    f.value = std::move(value);
    return f;
}

ColumnFilter ColumnFilter::Blanks() {
    ColumnFilter f;
    f.kind = Kind::kBlanks;
    return f;
}

ColumnFilter ColumnFilter::NonBlanks() {
    ColumnFilter f;
    f.kind = Kind::kNonBlanks;
    return f;
}

ColumnFilter ColumnFilter::Custom(Comparison first, std::optional<Comparison> second,
                                  bool join_with_or) {
    ColumnFilter f;
    f.kind = Kind::kCustom;
    f.first = std::move(first);
    f.second = std::move(second);
    f.join_with_or = join_with_or;
    return f;
}

std::optional<ColumnFilter> FilterForEntry(const FilterListEntry& entry) {
    switch (entry.kind) {
        case FilterListEntry::Kind::kAll:
            return ColumnFilter::All();
        case FilterListEntry::Kind::kCustom:
            return std::nullopt;
        case FilterListEntry::Kind::kBlanks:
            return ColumnFilter::Blanks();
        case FilterListEntry::Kind::kNonBlanks:
            return ColumnFilter::NonBlanks();
        case FilterListEntry::Kind::kValue:
            return ColumnFilter::Value(entry.text);
    }
    return std::nullopt;
}

bool LikeMatch(std::string_view text, std::string_view pattern) {
    // Greedy matching with one backtrack point: the last "*" seen and where its run ends in the
    // text. Linear in practice, never worse than text × pattern, and no recursion.
    size_t t = 0, p = 0;
    size_t star = std::string_view::npos, star_text = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_text = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(text[t]))) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++star_text;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::optional<DateTime> ParseDisplayDateTime(std::string_view text,
                                             const RegionalFormats& formats) {
    text = Trim(text);
    // The order of day, month and year in the short date pattern (text in quotes skipped).
    std::vector<char> order;
    bool quoted = false;
    bool two_digit_year = true;
    for (size_t i = 0; i < formats.short_date.size(); ++i) {
        const char c = formats.short_date[i];
        if (c == '\'') quoted = !quoted;
        if (quoted) continue;
        if ((c == 'd' || c == 'M' || c == 'y') &&
            std::find(order.begin(), order.end(), c) == order.end()) {
            order.push_back(c);
            if (c == 'y') two_digit_year = !formats.short_date.substr(i).starts_with("yyyy");
        }
    }
    if (order.size() != 3) order = {'d', 'M', 'y'};

    std::vector<int64_t> numbers;
    std::optional<bool> pm;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            int64_t n = 0;
            size_t digits = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                if (++digits > 9) return std::nullopt;
                n = n * 10 + (text[i++] - '0');
            }
            numbers.push_back(n);
        } else if ((c == 'A' || c == 'a' || c == 'P' || c == 'p') && i + 1 < text.size() &&
                   (text[i + 1] == 'M' || text[i + 1] == 'm')) {
            pm = c == 'P' || c == 'p';
            i += 2;
        } else if (IsAsciiSpace(c) || c == '.' || c == '/' || c == '-' || c == ':' || c == ',') {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    if (numbers.size() < 3 || numbers.size() > 7) return std::nullopt;
    table::CalendarParts parts;
    for (size_t k = 0; k < 3; ++k) {
        const int value = static_cast<int>(numbers[k]);
        if (order[k] == 'd') parts.day = value;
        if (order[k] == 'M') parts.month = value;
        if (order[k] == 'y') parts.year = value;
    }
    if (two_digit_year && parts.year < 100) parts.year += 2000;
    parts.hour = numbers.size() > 3 ? static_cast<int>(numbers[3]) : 0;
    parts.minute = numbers.size() > 4 ? static_cast<int>(numbers[4]) : 0;
    parts.second = numbers.size() > 5 ? static_cast<int>(numbers[5]) : 0;
    parts.millisecond = numbers.size() > 6 ? static_cast<int>(numbers[6]) : 0;
    if (pm) {
        if (parts.hour < 1 || parts.hour > 12) return std::nullopt;
        parts.hour = parts.hour % 12 + (*pm ? 12 : 0);
    }
    return table::MakeDateTime(parts);
}

std::optional<Decimal> ParseDisplayNumber(std::string_view text, const RegionalFormats& formats) {
    const auto scaled = ParseScaled(text, formats);
    if (!scaled || *scaled <= -table::kDecimalLimit || *scaled >= table::kDecimalLimit)
        return std::nullopt;
    return Decimal{*scaled};
}

struct ColumnFilterMatcher::State {
    ColumnFilter filter;
    GridColumn column;
    FieldKind kind = FieldKind::kText;
    RegionalFormats formats;
    // The chosen value, as Windows-1251 bytes when it converts back exactly.
    std::string value_cp1251;
    bool value_round_trips = true;
    std::vector<PreparedComparison> comparisons;
    std::unordered_map<int64_t, std::string> date_texts;  // display texts of dates seen

    std::string_view DateText(DateTime moment) {
        auto [it, inserted] = date_texts.try_emplace(moment.ms);
        if (inserted) it->second = table::FormatDateTime(moment, formats);
        return it->second;
    }

    // The display text of a non-text cell (UTF-8).
    std::string DisplayOf(const StoredValue& value) {
        if (const auto* moment = std::get_if<DateTime>(&value))
            return std::string(DateText(*moment));
        if (const auto* decimal = std::get_if<Decimal>(&value)) {
            return DecimalText(*decimal, column, formats);
        }
        if (const auto* integer = std::get_if<int32_t>(&value)) return std::to_string(*integer);
        return {};
    }

    std::optional<int64_t> ValueOf(const StoredValue& value) const {
        if (const auto* moment = std::get_if<DateTime>(&value)) return FloorToSecond(moment->ms);
        if (const auto* decimal = std::get_if<Decimal>(&value)) {
            return RoundScaled(decimal->scaled, ShownStep(column));
        }
        if (const auto* integer = std::get_if<int32_t>(&value)) {
            return static_cast<int64_t>(*integer) * table::kDecimalScale;
        }
        return std::nullopt;
    }

    bool TextEquals(std::string_view cell_cp1251, const std::string& utf8,
                    const std::string& cp1251, bool round_trips) const {
        if (round_trips) return cell_cp1251 == cp1251;
        return Cp1251ToUtf8(cell_cp1251) == utf8;
    }

    bool Evaluate(const PreparedComparison& c, const StoredValue& stored) {
        const auto* text = std::get_if<std::string_view>(&stored);
        const bool is_null = std::holds_alternative<std::monostate>(stored);
        // Display text of the cell: Windows-1251 bytes for text fields, UTF-8 otherwise.
        std::string display;
        if (!is_null && !text) display = DisplayOf(stored);
        const bool blank = is_null || (text ? text->empty() : display.empty());
        switch (c.op) {
            case CompareOp::kBlank:
                return blank;
            case CompareOp::kNonBlank:
                return !blank;
            case CompareOp::kEquals:
            case CompareOp::kNotEquals: {
                bool equal;
                if (blank) {
                    equal = c.operand_utf8.empty();
                } else if (text) {
                    equal =
                        TextEquals(*text, c.operand_utf8, c.operand_cp1251, c.operand_round_trips);
                } else if (c.operand_value) {
                    equal = ValueOf(stored) == c.operand_value;
                } else {
                    equal = display == c.operand_utf8;
                }
                return c.op == CompareOp::kEquals ? equal : !equal;
            }
            case CompareOp::kLike:
            case CompareOp::kNotLike: {
                const bool like = text ? LikeMatch(*text, c.operand_cp1251)
                                       : LikeMatch(Utf8ToCp1251(display), c.operand_cp1251);
                return c.op == CompareOp::kLike ? like : !like;
            }
            default:
                break;
        }
        // Ordered comparisons: a blank cell has no place in the order and never passes.
        if (blank) return false;
        if (text) return OrderedResult(c.op, CompareBytes(*text, c.operand_cp1251));
        if (c.operand_value) {
            const int64_t cell = *ValueOf(stored);
            return OrderedResult(c.op, cell < *c.operand_value ? -1 : (cell > *c.operand_value));
        }
        return OrderedResult(c.op, CompareBytes(Utf8ToCp1251(display), c.operand_cp1251));
    }
};

namespace {

GridColumn FieldColumn(int field_index) {
    GridColumn column;
    column.field_index = field_index;
    return column;
}

}  // namespace

ColumnFilterMatcher::ColumnFilterMatcher(const ColumnFilter& filter, int field_index,
                                         const RegionalFormats& formats)
    : ColumnFilterMatcher(filter, FieldColumn(field_index), formats) {}

ColumnFilterMatcher::ColumnFilterMatcher(const ColumnFilter& filter, const GridColumn& column,
                                         const RegionalFormats& formats)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.filter = filter;
    s.column = column;
    s.kind = ColumnKind(column);
    s.formats = formats;
    s.value_cp1251 = Utf8ToCp1251(filter.value);
    s.value_round_trips = Cp1251ToUtf8(s.value_cp1251) == filter.value;
    if (filter.kind == ColumnFilter::Kind::kCustom) {
        std::vector<Comparison> list{filter.first};
        if (filter.second) list.push_back(*filter.second);
        for (const Comparison& c : list) {
            PreparedComparison p;
            p.op = c.op;
            p.operand_utf8 = c.operand;
            p.operand_cp1251 = Utf8ToCp1251(c.operand);
            p.operand_round_trips = Cp1251ToUtf8(p.operand_cp1251) == c.operand;
            if (s.kind == FieldKind::kDateTime) {
                if (const auto moment = ParseDisplayDateTime(c.operand, formats)) {
                    p.operand_value = moment->ms;
                }
            } else if (s.kind == FieldKind::kDecimal || s.kind == FieldKind::kInteger) {
                std::string_view number = Trim(c.operand);
                // A margin may be typed as it is shown: "5%".
                if (column.computed != ComputedColumn::kNone && number.ends_with('%')) {
                    number.remove_suffix(1);
                }
                p.operand_value = ParseScaled(number, formats);
            }
            s.comparisons.push_back(std::move(p));
        }
    }
}

ColumnFilterMatcher::ColumnFilterMatcher(ColumnFilterMatcher&&) noexcept = default;
ColumnFilterMatcher& ColumnFilterMatcher::operator=(ColumnFilterMatcher&&) noexcept = default;
ColumnFilterMatcher::~ColumnFilterMatcher() = default;

bool ColumnFilterMatcher::Matches(const table::OddsRecord& row) {
    State& s = *state_;
    const StoredValue stored = ColumnValue(row, KeyOf(s.column));
    switch (s.filter.kind) {
        case ColumnFilter::Kind::kNone:
            return true;
        case ColumnFilter::Kind::kBlanks:
        case ColumnFilter::Kind::kNonBlanks: {
            bool blank = std::holds_alternative<std::monostate>(stored);
            if (const auto* text = std::get_if<std::string_view>(&stored)) blank = text->empty();
            return blank == (s.filter.kind == ColumnFilter::Kind::kBlanks);
        }
        case ColumnFilter::Kind::kValue: {
            if (std::holds_alternative<std::monostate>(stored)) return s.filter.value.empty();
            if (const auto* text = std::get_if<std::string_view>(&stored)) {
                return s.TextEquals(*text, s.filter.value, s.value_cp1251, s.value_round_trips);
            }
            if (const auto* moment = std::get_if<DateTime>(&stored)) {
                return s.DateText(*moment) == s.filter.value;
            }
            return s.DisplayOf(stored) == s.filter.value;
        }
        case ColumnFilter::Kind::kCustom: {
            const bool first = s.Evaluate(s.comparisons[0], stored);
            if (s.comparisons.size() < 2) return first;
            if (s.filter.join_with_or) return first || s.Evaluate(s.comparisons[1], stored);
            return first && s.Evaluate(s.comparisons[1], stored);
        }
    }
    return true;
}

}  // namespace lintaro::grid
