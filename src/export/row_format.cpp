// Row output: every row is rendered into one buffer and written at once. Decimals are printed from
// their fixed-point integer, so the output is exact (1.85, never 1.8500000000000001).
#include "export/row_format.h"

#include <stdexcept>
#include <variant>

#include "base/control_bytes.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro::worksheet {

using table::DateTime;
using table::Decimal;
using table::kOddsFieldCount;
using table::OddsRecord;
namespace {

// Decimal digits of `value`, zero-padded on the left to `width` (a sign comes first).
void AppendPadded(std::string& out, int64_t value, int width) {
    if (value < 0) {
        out += '-';
        value = -value;
    }
    char digits[20];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (length < width) out.append(width - length, '0');
    while (length > 0) out += digits[--length];
}

// "YYYY-MM-DD" + separator + "HH:MM:SS", and ".mmm" when asked.
void AppendDateTime(std::string& out, DateTime value, char separator, bool with_ms) {
    const table::CalendarParts p = table::SplitDateTime(value);
    AppendPadded(out, p.year, 4);
    out += '-';
    AppendPadded(out, p.month, 2);
    out += '-';
    AppendPadded(out, p.day, 2);
    out += separator;
    AppendPadded(out, p.hour, 2);
    out += ':';
    AppendPadded(out, p.minute, 2);
    out += ':';
    AppendPadded(out, p.second, 2);
    if (with_ms) {
        out += '.';
        AppendPadded(out, p.millisecond, 3);
    }
}

void AppendJsonString(std::string& out, std::string_view cp1251) {
    AppendJsonUtf8(out, table::Cp1251ToUtf8(cp1251));
}

// A CSV cell's text as spreadsheet programs should read it. They run a cell that starts with "=",
// "+", "-" or "@" as a formula ("=1+1", "@SUM(A1)", "=HYPERLINK(...)", a team named "-1+1"), and
// some skip a leading TAB or CR before they look: such a text gets a leading apostrophe, which
// they take as "this cell is text". Numbers never pass through here, so a handicap of -0.5 stays
// a number.
void GuardFormula(std::string& text) {
    static constexpr std::string_view kFormulaStarts("=+-@\t\r");
    if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos) {
        text.insert(text.begin(), '\'');
    }
}

void AppendCsvText(std::string& out, std::string_view cp1251, const RowOptions& options) {
    std::string text = table::Cp1251ToUtf8(cp1251);
    GuardFormula(text);
    if (options.escape_control_bytes) text = base::EscapeControlBytes(text);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    size_t from = 0;
    for (size_t quote = text.find('"'); quote != std::string::npos;
         quote = text.find('"', quote + 1)) {
        out.append(text, from, quote + 1 - from);
        out += '"';  // a quote inside a quoted cell is doubled
        from = quote + 1;
    }
    out.append(text, from);
    out += '"';
}

void AppendJsonRow(std::string& out, const OddsRecord& row) {
    out += '{';
    for (int i = 0; i < kOddsFieldCount; ++i) {
        if (i > 0) out += ',';
        out += '"';
        out += table::kOddsFields[i].name;  // plain ASCII names: nothing to escape
        out += "\":";
        const table::StoredValue value = table::GetField(row, i);
        if (const auto* text = std::get_if<std::string_view>(&value)) {
            AppendJsonString(out, *text);
        } else if (const auto* decimal = std::get_if<Decimal>(&value)) {
            out += DecimalText(*decimal);
        } else if (const auto* moment = std::get_if<DateTime>(&value)) {
            out += '"';
            AppendDateTime(out, *moment, 'T', true);
            out += '"';
        } else if (const auto* integer = std::get_if<int32_t>(&value)) {
            out += std::to_string(*integer);
        } else {
            out += "null";
        }
    }
    out += "}\n";
}

void AppendCsvRow(std::string& out, const OddsRecord& row, const RowOptions& options) {
    for (int i = 0; i < kOddsFieldCount; ++i) {
        if (i > 0) out += ',';
        const table::StoredValue value = table::GetField(row, i);
        if (const auto* text = std::get_if<std::string_view>(&value)) {
            AppendCsvText(out, *text, options);
        } else if (const auto* decimal = std::get_if<Decimal>(&value)) {
            out += DecimalText(*decimal);
        } else if (const auto* moment = std::get_if<DateTime>(&value)) {
            AppendDateTime(out, *moment, ' ', false);
        } else if (const auto* integer = std::get_if<int32_t>(&value)) {
            out += std::to_string(*integer);
        }
    }
    out += "\r\n";
}

}  // namespace

void AppendJsonUtf8(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    size_t plain_from = 0;  // runs that need no escape are copied whole
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte != '"' && byte != '\\' && byte != 0x7F) continue;
        out.append(text, plain_from, i - plain_from);
        plain_from = i + 1;
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
        }
    }
    out.append(text, plain_from);
    out += '"';
}

std::optional<RowFormat> RowFormatFromName(std::string_view name) {
    if (name == "jsonl") return RowFormat::kJsonl;
    if (name == "csv") return RowFormat::kCsv;
    return std::nullopt;
}

std::string DecimalText(Decimal value) {
    std::string out;
    const bool negative = value.scaled < 0;
    // Unsigned, so that even a value no table would store cannot overflow on negation.
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(value.scaled) : static_cast<uint64_t>(value.scaled);
    if (negative) out += '-';
    out += std::to_string(magnitude / table::kDecimalScale);
    auto fraction = static_cast<int64_t>(magnitude % table::kDecimalScale);
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        out += '.';
        AppendPadded(out, fraction, digits);
    }
    return out;
}

RowWriter::RowWriter(std::ostream& out, RowFormat format, RowOptions options)
    : out_(out), format_(format), options_(options) {
    if (format_ != RowFormat::kCsv) return;
    for (int i = 0; i < kOddsFieldCount; ++i) {
        if (i > 0) line_ += ',';
        line_ += table::kOddsFields[i].name;
    }
    line_ += "\r\n";
    Flush();
}

void RowWriter::Write(const OddsRecord& row) {
    if (format_ == RowFormat::kCsv) {
        AppendCsvRow(line_, row, options_);
    } else {
        AppendJsonRow(line_, row);
    }
    Flush();
}

void RowWriter::Flush() {
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    line_.clear();
    if (!out_) throw std::runtime_error("Cannot write the rows: the output stream failed");
}

void WriteRows(std::ostream& out, const std::vector<OddsRecord>& rows, RowFormat format,
               RowOptions options) {
    RowWriter writer(out, format, options);
    for (const OddsRecord& row : rows) writer.Write(row);
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the rows: the output stream failed");
}

}  // namespace lintaro::worksheet
