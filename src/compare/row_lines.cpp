// A small strict JSON reader, enough for one flat object of strings, numbers and nulls per line.
#include "compare/row_lines.h"

#include <charconv>
#include <cstdlib>
#include <optional>

#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro::compare {

using table::FieldKind;
using table::OddsRecord;

namespace {

struct JsonValue {
    enum Kind { kNull, kString, kNumber, kOther } kind = kNull;
    std::string text;  // the string's UTF-8, or the number as written
};

class LineParser {
  public:
    explicit LineParser(std::string_view line) : s_(line) {}

    [[noreturn]] void Fail(const std::string& why) const { throw ERowLineError(why); }

    void SkipBlanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r')) ++at_;
    }
    bool AtEnd() const { return at_ >= s_.size(); }
    char Peek() const { return AtEnd() ? '\0' : s_[at_]; }
    void Expect(char ch, const char* what) {
        SkipBlanks();
        if (Peek() != ch) Fail(std::string("expected ") + what);
        ++at_;
    }

    static void AppendUtf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | code >> 18);
            out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    uint32_t Hex4() {
        if (at_ + 4 > s_.size()) Fail("a \\u escape needs four hex digits");
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char ch = s_[at_++];
            value <<= 4;
            if (ch >= '0' && ch <= '9')
                value |= ch - '0';
            else if (ch >= 'a' && ch <= 'f')
                value |= ch - 'a' + 10;
            else if (ch >= 'A' && ch <= 'F')
                value |= ch - 'A' + 10;
            else
                Fail("a \\u escape needs four hex digits");
        }
        return value;
    }

    std::string String() {
        Expect('"', "a string");
        std::string out;
        while (true) {
            // A run without quotes, escapes or control characters is copied whole.
            size_t run = at_;
            while (run < s_.size() && s_[run] != '"' && s_[run] != '\\' &&
                   static_cast<unsigned char>(s_[run]) >= 0x20) {
                ++run;
            }
            out.append(s_.substr(at_, run - at_));
            at_ = run;
            if (AtEnd()) Fail("a string is not closed");
            const char ch = s_[at_++];
            if (ch == '"') return out;
            if (static_cast<unsigned char>(ch) < 0x20) Fail("a control character inside a string");
            if (ch != '\\') {
                out += ch;
                continue;
            }
            if (AtEnd()) Fail("a string is not closed");
            switch (const char e = s_[at_++]) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t code = Hex4();
                    if (code >= 0xD800 && code < 0xDC00 && s_.substr(at_, 2) == "\\u") {
                        at_ += 2;
                        const uint32_t low = Hex4();
                        if (low < 0xDC00 || low > 0xDFFF) Fail("a broken \\u surrogate pair");
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else if (code >= 0xD800 && code < 0xE000) {
                        Fail("a broken \\u surrogate pair");
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    Fail("an unknown escape in a string");
            }
        }
    }

    std::string Number() {
        const size_t from = at_;
        if (Peek() == '-') ++at_;
        if (Peek() == '0') {
            ++at_;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9') ++at_;
        } else {
            Fail("a malformed number");
        }
        if (Peek() == '.') {
            ++at_;
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("a malformed number");
            while (Peek() >= '0' && Peek() <= '9') ++at_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-') ++at_;
            if (!(Peek() >= '0' && Peek() <= '9')) Fail("a malformed number");
            while (Peek() >= '0' && Peek() <= '9') ++at_;
        }
        return std::string(s_.substr(from, at_ - from));
    }

    // Any JSON value; arrays, objects, true and false are read over and marked kOther.
    JsonValue Value(int depth = 0) {
        SkipBlanks();
        if (depth > 64) Fail("values nested too deep");
        JsonValue value;
        const char ch = Peek();
        if (ch == '"') {
            value.kind = JsonValue::kString;
            value.text = String();
        } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
            value.kind = JsonValue::kNumber;
            value.text = Number();
        } else if (s_.substr(at_, 4) == "null") {
            at_ += 4;
        } else if (s_.substr(at_, 4) == "true" || s_.substr(at_, 5) == "false") {
            at_ += ch == 't' ? 4 : 5;
            value.kind = JsonValue::kOther;
        } else if (ch == '[' || ch == '{') {
            const char close = ch == '[' ? ']' : '}';
            ++at_;
            value.kind = JsonValue::kOther;
            SkipBlanks();
            if (Peek() == close) {
                ++at_;
                return value;
            }
            while (true) {
                if (close == '}') {
                    String();
                    Expect(':', "\":\" after a key");
                }
                Value(depth + 1);
                SkipBlanks();
                if (Peek() == close) {
                    ++at_;
                    break;
                }
                Expect(',', "\",\" between values");
            }
        } else {
            Fail(AtEnd() ? "the line ends where a value should be" : "not a JSON value");
        }
        return value;
    }

    size_t at_ = 0;

  private:
    std::string_view s_;
};

std::optional<table::DateTime> ParseDateTime(const std::string& text) {
    // YYYY-MM-DDTHH:MM:SS or YYYY-MM-DDTHH:MM:SS.mmm
    if (text.size() != 19 && text.size() != 23) return std::nullopt;
    auto digits = [&](size_t from, size_t count, int& out) {
        const auto [end, error] =
            std::from_chars(text.data() + from, text.data() + from + count, out);
        return error == std::errc() && end == text.data() + from + count && text[from] >= '0' &&
               text[from] <= '9';
    };
    table::CalendarParts parts;
    if (!digits(0, 4, parts.year) || text[4] != '-' || !digits(5, 2, parts.month) ||
        text[7] != '-' || !digits(8, 2, parts.day) || text[10] != 'T' ||
        !digits(11, 2, parts.hour) || text[13] != ':' || !digits(14, 2, parts.minute) ||
        text[16] != ':' || !digits(17, 2, parts.second)) {
        return std::nullopt;
    }
    if (text.size() == 23 && (text[19] != '.' || !digits(20, 3, parts.millisecond))) {
        return std::nullopt;
    }
    return table::MakeDateTime(parts);
}

}  // namespace

OddsRecord ParseRowLine(std::string_view line) {
    LineParser parser(line);
    OddsRecord row;
    bool seen[table::kOddsFieldCount] = {};
    parser.Expect('{', "a JSON object");
    parser.SkipBlanks();
    if (parser.Peek() == '}') parser.Fail("the object has no keys");
    while (true) {
        parser.SkipBlanks();
        const std::string key = parser.String();
        const int field = table::FieldIndex(key);
        if (field < 0) parser.Fail("unknown key \"" + key + "\"");
        if (seen[field]) parser.Fail("key \"" + key + "\" given twice");
        seen[field] = true;
        parser.Expect(':', "\":\" after a key");
        const JsonValue value = parser.Value();
        const table::FieldDef& def = table::kOddsFields[field];
        auto mistyped = [&](const char* expected) {
            parser.Fail("key \"" + key + "\" must be " + expected + " or null");
        };
        if (value.kind != JsonValue::kNull) {
            switch (def.kind) {
                case FieldKind::kText: {
                    if (value.kind != JsonValue::kString) mistyped("a string");
                    std::string text = table::Utf8ToCp1251(value.text);
                    std::optional<std::string>* slot[] = {&row.sport_type_name,
                                                          &row.competition_name, nullptr,
                                                          &row.team_h_name, &row.team_g_name};
                    if (field < 5 && slot[field]) {
                        *slot[field] = std::move(text);
                    } else {
                        row.dop_info = std::move(text);
                    }
                    break;
                }
                case FieldKind::kDateTime: {
                    std::optional<table::DateTime> moment;
                    if (value.kind == JsonValue::kString) moment = ParseDateTime(value.text);
                    if (!moment) mistyped("a date-time \"YYYY-MM-DDTHH:MM:SS.mmm\"");
                    row.sport_event_date = moment;
                    break;
                }
                case FieldKind::kDecimal: {
                    if (value.kind != JsonValue::kNumber) mistyped("a number");
                    const std::optional<table::Decimal> decimal =
                        table::DecimalFromDouble(std::strtod(value.text.c_str(), nullptr));
                    if (!decimal) parser.Fail("key \"" + key + "\" is out of range");
                    std::optional<table::Decimal>* slots[] = {
                        &row.P1,  &row.X,  &row.P2,  &row.PX1, &row.P2X, &row.P12, &row.F1,
                        &row.VF1, &row.F2, &row.VF2, &row.TM,  &row.TB,  &row.VT};
                    *slots[field - 5] = decimal;
                    break;
                }
                case FieldKind::kInteger: {
                    int32_t number = 0;
                    const auto [end, error] = std::from_chars(
                        value.text.data(), value.text.data() + value.text.size(), number);
                    if (value.kind != JsonValue::kNumber || error != std::errc() ||
                        end != value.text.data() + value.text.size()) {
                        mistyped("a whole number");
                    }
                    row.Key_ID = number;
                    break;
                }
            }
        }
        parser.SkipBlanks();
        if (parser.Peek() == '}') break;
        parser.Expect(',', "\",\" or \"}\" after a value");
    }
    ++parser.at_;
    parser.SkipBlanks();
    if (!parser.AtEnd()) parser.Fail("text after the object");
    for (int i = 0; i < table::kOddsFieldCount; ++i) {
        if (!seen[i])
            parser.Fail(std::string("key \"") + table::kOddsFields[i].name + "\" is missing");
    }
    return row;
}

std::vector<OddsRecord> ReadRowLines(std::istream& in) {
    std::vector<OddsRecord> rows;
    std::string line;
    long long number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        try {
            rows.push_back(ParseRowLine(line));
        } catch (const ERowLineError& e) {
            throw ERowLineError("line " + std::to_string(number) + ": " + e.what());
        }
    }
    return rows;
}

}  // namespace lintaro::compare
