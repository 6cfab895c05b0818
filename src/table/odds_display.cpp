// Display texts: decimals are rounded on their stored fixed-point integer, so ties are exact and no
// floating-point step can shift a digit.
#include "table/odds_display.h"

#include <cstdint>
#include <cstdlib>

#include "table/cp1251_text.h"

namespace lintaro::table {
namespace {

// Divides a non-negative scaled decimal by `divisor`, rounding to nearest with ties to even.
uint64_t DivideTiesToEven(uint64_t value, uint64_t divisor) {
    uint64_t quotient = value / divisor;
    const uint64_t twice_remainder = 2 * (value % divisor);
    if (twice_remainder > divisor || (twice_remainder == divisor && quotient % 2 != 0)) ++quotient;
    return quotient;
}

void AppendDigits(std::string& out, int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
    out += digits;
}

// Reads a run of the same letter at `pos` and returns its length.
size_t RunLength(std::string_view pattern, size_t pos) {
    size_t end = pos;
    while (end < pattern.size() && pattern[end] == pattern[pos]) ++end;
    return end - pos;
}

bool HasAmPm(std::string_view pattern) {
    bool quoted = false;
    for (char c : pattern) {
        if (c == '\'') quoted = !quoted;
        if (!quoted && (c == 'A' || c == 'a')) return true;
    }
    return false;
}

}  // namespace

std::string FormatDecimal(Decimal value, DecimalFormat format, std::string_view decimal_mark) {
    const bool negative = value.scaled < 0;
    // Unsigned, so that even a value no table would store cannot overflow on negation.
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(value.scaled) : static_cast<uint64_t>(value.scaled);
    std::string out;
    if (format == DecimalFormat::kPrice) {
        const uint64_t thousandths = DivideTiesToEven(magnitude, 10);
        if (negative && thousandths != 0) out += '-';
        if (thousandths >= 1000) out += std::to_string(thousandths / 1000);
        out += decimal_mark;
        const int fraction = static_cast<int>(thousandths % 1000);
        AppendDigits(out, fraction / 10, 2);
        if (fraction % 10 != 0) out += static_cast<char>('0' + fraction % 10);
    } else {
        // A half line (-1.5) and a whole one (2) read as they always have; a quarter line keeps
        // its second decimal, since -0.8 is a line nobody can bet.
        const uint64_t hundredths = DivideTiesToEven(magnitude, 100);
        if (negative && hundredths != 0) out += '-';
        out += std::to_string(hundredths / 100);
        const int fraction = static_cast<int>(hundredths % 100);
        if (fraction != 0) {
            out += decimal_mark;
            out += static_cast<char>('0' + fraction / 10);
            if (fraction % 10 != 0) out += static_cast<char>('0' + fraction % 10);
        }
    }
    return out;
}

std::string FormatExactDecimal(Decimal value, std::string_view decimal_mark) {
    const bool negative = value.scaled < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(value.scaled) : static_cast<uint64_t>(value.scaled);
    std::string out = negative ? "-" : "";
    out += std::to_string(magnitude / kDecimalScale);
    std::string fraction;
    AppendDigits(fraction, static_cast<int>(magnitude % kDecimalScale), 4);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) {
        out += decimal_mark;
        out += fraction;
    }
    return out;
}

bool ShowsRounded(Decimal value, DecimalFormat format) {
    return value.scaled % (format == DecimalFormat::kPrice ? 10 : 100) != 0;
}

namespace {

// Copies the quoted text that starts at `pattern[pos]` (a quote) and returns the position after
// it. Quoted text is copied as it stands; '' is a quote, inside quoted text too.
size_t AppendQuoted(std::string& out, std::string_view pattern, size_t pos) {
    if (pos + 1 < pattern.size() && pattern[pos + 1] == '\'') {
        out += '\'';
        return pos + 2;
    }
    ++pos;
    while (pos < pattern.size()) {
        if (pattern[pos] == '\'') {
            if (pos + 1 < pattern.size() && pattern[pos + 1] == '\'') {
                out += '\'';
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        out += pattern[pos++];
    }
    return pos;
}

// Writes the field whose letters start at `pattern[pos]` and returns how many letters it took.
size_t AppendField(std::string& out, const CalendarParts& parts, std::string_view pattern,
                   size_t pos, bool twelve_hour) {
    const char c = pattern[pos];
    const size_t run = RunLength(pattern, pos);
    size_t used = run;
    switch (c) {
        case 'd':
            AppendDigits(out, parts.day, run >= 2 ? 2 : 1);
            break;
        case 'M':
            AppendDigits(out, parts.month, run >= 2 ? 2 : 1);
            break;
        case 'y':
            if (run >= 4) {
                used = 4;
                AppendDigits(out, parts.year, 4);
            } else if (run >= 2) {
                used = 2;
                AppendDigits(out, std::abs(parts.year) % 100, 2);
            } else {
                out += c;  // a lone y is no token
            }
            break;
        case 'H':
        case 'h': {
            used = run >= 2 ? 2 : 1;
            int hour = parts.hour;
            if (c == 'h' && twelve_hour) hour = hour % 12 == 0 ? 12 : hour % 12;
            AppendDigits(out, hour, static_cast<int>(used));
            break;
        }
        case 'm':
            used = run >= 2 ? 2 : 1;
            AppendDigits(out, parts.minute, static_cast<int>(used));
            break;
        case 's':
            used = run >= 2 ? 2 : 1;
            AppendDigits(out, parts.second, static_cast<int>(used));
            break;
        case 'z':
            if (run >= 3) {
                used = 3;
                AppendDigits(out, parts.millisecond, 3);
            } else {
                used = 1;
                std::string digits;
                AppendDigits(digits, parts.millisecond, 3);
                while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
                out += digits;
            }
            break;
        case 'A':
        case 'a': {
            used = 1;
            const bool upper = c == 'A';
            out += parts.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            if (pos + 1 < pattern.size() && (pattern[pos + 1] == 'P' || pattern[pos + 1] == 'p')) {
                used = 2;
            }
            break;
        }
        case 't':
            break;
        default:
            out.append(run, c);
            break;
    }
    return used;
}

}  // namespace

std::string FormatCalendar(const CalendarParts& parts, std::string_view pattern) {
    const bool twelve_hour = HasAmPm(pattern);
    std::string out;
    size_t pos = 0;
    while (pos < pattern.size()) {
        if (pattern[pos] == '\'') {
            pos = AppendQuoted(out, pattern, pos);
        } else {
            pos += AppendField(out, parts, pattern, pos, twelve_hour);
        }
    }
    return out;
}

std::string FormatDateTime(DateTime value,
                           const std::function<std::string(const CalendarParts&)>& short_date,
                           const std::function<std::string(const CalendarParts&)>& long_time) {
    const CalendarParts parts = SplitDateTime(value);
    std::string out = short_date(parts);
    if (MsOfDay(value) != 0) {
        std::string time = long_time(parts);
        // A zone token at the end of the pattern renders as nothing; keep no blank dangling.
        while (!time.empty() && time.back() == ' ') time.pop_back();
        out += ' ';
        out += time;
    }
    return out;
}

std::string FormatDateTime(DateTime value, const RegionalFormats& formats) {
    return FormatDateTime(
        value, [&](const CalendarParts& p) { return FormatCalendar(p, formats.short_date); },
        [&](const CalendarParts& p) { return FormatCalendar(p, formats.long_time); });
}

DecimalFormat DecimalFormatOf(int field_index) {
    const std::string_view name = kOddsFields[field_index].name;
    return name == "VF1" || name == "VF2" || name == "VT" ? DecimalFormat::kValue
                                                          : DecimalFormat::kPrice;
}

FieldAlignment AlignmentOf(int field_index) {
    switch (kOddsFields[field_index].kind) {
        case FieldKind::kText:
        case FieldKind::kDateTime:
            return FieldAlignment::kLeft;
        case FieldKind::kInteger:
            return FieldAlignment::kRight;
        case FieldKind::kDecimal:
            return DecimalFormatOf(field_index) == DecimalFormat::kValue ? FieldAlignment::kCenter
                                                                         : FieldAlignment::kRight;
    }
    return FieldAlignment::kLeft;
}

std::string DisplayText(const OddsRecord& row, int field_index, const RegionalFormats& formats) {
    const StoredValue value = GetField(row, field_index);
    if (const auto* text = std::get_if<std::string_view>(&value)) return Cp1251ToUtf8(*text);
    if (const auto* decimal = std::get_if<Decimal>(&value)) {
        return DecimalFieldText(field_index, *decimal, formats.decimal_mark);
    }
    if (const auto* moment = std::get_if<DateTime>(&value)) return FormatDateTime(*moment, formats);
    if (const auto* integer = std::get_if<int32_t>(&value)) return std::to_string(*integer);
    return {};
}

std::string DecimalFieldText(int field_index, const std::optional<Decimal>& value,
                             std::string_view decimal_mark) {
    if (!value) return {};
    const DecimalFormat format = DecimalFormatOf(field_index);
    if (format == DecimalFormat::kPrice && !IsQuotedPrice(value)) return {};
    return FormatDecimal(*value, format, decimal_mark);
}

}  // namespace lintaro::table
