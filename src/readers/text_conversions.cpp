// The readers' text primitives. Positions are 1-based throughout, as the readers' offset arithmetic
// expects ("two characters before the colon" and the like), and nothing here consults a locale.
#include "readers/text_conversions.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include "base/cp1251_case.h"
#include "base/whole_number.h"

namespace lintaro::readers {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string Trim(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) < 33) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) < 33) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string AsciiLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return result;
}

std::string Cp1251Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(base::Cp1251LowerCase(static_cast<unsigned char>(c)));
    return result;
}

int Find(std::string_view text, std::string_view fragment) {
    if (text.empty() || fragment.empty()) return 0;
    const size_t at = text.find(fragment);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string Copy(std::string_view text, int index, int count) {
    if (count < 0) return std::string();
    if (index < 1) index = 1;
    const size_t start = static_cast<size_t>(index) - 1;
    if (start >= text.size()) return std::string();
    return std::string(text.substr(start, static_cast<size_t>(count)));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    while (true) {
        const size_t at = text.find(from, pos);
        if (at == std::string_view::npos) break;
        result.append(text.substr(pos, at - pos));
        result.append(to);
        pos = at + from.size();
    }
    result.append(text.substr(pos));
    return result;
}

std::optional<int> ReadInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    int64_t value = 0;
    if (!base::ParseWholeNumber(text, value) || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::string CopyUntilChar(std::string_view text, int start, char stop) {
    if (start < 1) start = 1;
    const size_t begin = static_cast<size_t>(start) - 1;
    if (begin >= text.size()) return std::string();
    const size_t end = text.find(stop, begin);
    return std::string(text.substr(begin, end == std::string_view::npos ? end : end - begin));
}

namespace {

// A number's text taken apart: "[sign]digits[.digits][E[sign]digits]".
struct DecimalText {
    bool negative = false;
    std::string_view int_digits;
    std::string_view frac_digits;
    std::string_view exponent;  // sign and digits, without the "E"
};

// Takes the text apart, spaces allowed around it; nullopt when it is no number.
std::optional<DecimalText> SplitDecimal(std::string_view text) {
    DecimalText parts;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) parts.negative = text[i++] == '-';
    const size_t int_begin = i;
    while (i < n && IsDigit(text[i])) ++i;
    parts.int_digits = text.substr(int_begin, i - int_begin);
    bool has_point = false;
    if (i < n && text[i] == '.') {
        has_point = true;
        const size_t frac_begin = ++i;
        while (i < n && IsDigit(text[i])) ++i;
        parts.frac_digits = text.substr(frac_begin, i - frac_begin);
    }
    if (parts.int_digits.empty() && !has_point) return std::nullopt;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        const size_t exp_begin = ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        const size_t digits_begin = i;
        while (i < n && IsDigit(text[i])) ++i;
        if (i == digits_begin) return std::nullopt;
        parts.exponent = text.substr(exp_begin, i - exp_begin);
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    return parts;
}

// The value of a number too large or too small for a double: none for overflow, a zero of its
// sign for underflow. They are told apart by the decimal magnitude: the position of the first
// significant digit plus the exponent.
std::optional<double> OutOfRangeValue(const DecimalText& parts) {
    const double zero = parts.negative ? -0.0 : 0.0;
    int64_t magnitude = 0;
    const size_t first_nonzero = parts.int_digits.find_first_not_of('0');
    if (first_nonzero != std::string_view::npos) {
        magnitude = static_cast<int64_t>(parts.int_digits.size() - first_nonzero);
    } else {
        const size_t frac_nonzero = parts.frac_digits.find_first_not_of('0');
        if (frac_nonzero == std::string_view::npos) return zero;
        magnitude = -static_cast<int64_t>(frac_nonzero);
    }
    int64_t exp_value = 0;
    bool exp_negative = false;
    for (char c : parts.exponent) {
        if (c == '-') exp_negative = true;
        if (IsDigit(c) && exp_value < 100000) exp_value = exp_value * 10 + (c - '0');
    }
    magnitude += exp_negative ? -exp_value : exp_value;
    if (magnitude > 0) return std::nullopt;
    return zero;
}

}  // namespace

std::optional<double> StrToFloatOrNull(std::string_view text) {
    const std::optional<DecimalText> split = SplitDecimal(text);
    if (!split) return std::nullopt;
    const DecimalText& parts = *split;
    const std::string_view int_digits = parts.int_digits;
    const std::string_view frac_digits = parts.frac_digits;
    const std::string_view exponent = parts.exponent;

    // The common price form, up to 15 digits and no exponent: the digits as a whole number are
    // exact in a double, and so is the power of ten, so one division rounds the decimal value
    // exactly as a full conversion does.
    if (exponent.empty() && int_digits.size() + frac_digits.size() <= 15) {
        static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        uint64_t digits = 0;
        for (char c : int_digits) digits = digits * 10 + static_cast<uint64_t>(c - '0');
        for (char c : frac_digits) digits = digits * 10 + static_cast<uint64_t>(c - '0');
        const double value = static_cast<double>(digits) / kPowersOfTen[frac_digits.size()];
        return parts.negative ? -value : value;
    }

    // from_chars reads the plain form "digits[.digits][e[-]digits]" without consulting any locale;
    // "." alone and a missing integer part are made explicit first.
    std::string plain = int_digits.empty() ? std::string("0") : std::string(int_digits);
    if (!frac_digits.empty()) {
        plain += '.';
        plain.append(frac_digits);
    }
    if (!exponent.empty()) {
        plain += 'e';
        plain.append(exponent[0] == '+' ? exponent.substr(1) : exponent);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) return OutOfRangeValue(parts);
    if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
    return parts.negative ? -value : value;
}

std::string ReplaceNbsp(std::string_view text) {
    return ReplaceAll(ReplaceAll(text, "&nbsp;", " "), "&nbsp", " ");
}

std::string NormalizeLines(std::string_view text) {
    // Every line end grows by at most one byte, and the last line may gain a CR LF: reserving that
    // bound once keeps a large page from being copied again while it grows.
    size_t line_ends = 0;
    for (char c : text) line_ends += (c == '\r' || c == '\n') ? 1 : 0;
    std::string result;
    result.reserve(text.size() + line_ends + 2);
    size_t i = 0;
    const size_t n = text.size();
    bool line_open = false;  // bytes have been written since the last line end
    while (i < n) {
        const char c = text[i];
        if (c == '\r') {
            result += "\r\n";
            i += (i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            line_open = false;
        } else if (c == '\n') {
            result += "\r\n";
            ++i;
            line_open = false;
        } else {
            // Copy the run up to the next line end in one piece.
            size_t j = i;
            while (j < n && text[j] != '\r' && text[j] != '\n') ++j;
            const size_t start = result.size();
            result.append(text.substr(i, j - i));
            // A NUL byte reads as a blank: the text after it is the page's as much as before it.
            std::replace(result.begin() + static_cast<std::ptrdiff_t>(start), result.end(), '\0',
                         ' ');
            i = j;
            line_open = true;
        }
    }
    if (line_open) result += "\r\n";
    return result;
}

}  // namespace lintaro::readers
