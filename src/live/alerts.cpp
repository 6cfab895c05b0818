// Alert conditions: their text, what meets them, and the check of a read.
#include "live/alerts.h"

#include <algorithm>
#include <array>
#include <utility>
#include <variant>

#include "base/cp1251_case.h"
#include "table/cp1251_text.h"

namespace lintaro::live {

using table::Decimal;
using table::OddsRecord;

namespace {

// The price fields an alert may watch, in the table's order, with the line each is at.
struct PriceFieldInfo {
    const char* name;
    const char* line;  // nullptr for prices that are at no line
};
constexpr std::array<PriceFieldInfo, 10> kAlertFields{{{"P1", nullptr},
                                                       {"X", nullptr},
                                                       {"P2", nullptr},
                                                       {"PX1", nullptr},
                                                       {"P2X", nullptr},
                                                       {"P12", nullptr},
                                                       {"F1", "VF1"},
                                                       {"F2", "VF2"},
                                                       {"TM", "VT"},
                                                       {"TB", "VT"}}};

// The decimal stored in field `field` of `row`, or none.
std::optional<Decimal> DecimalField(const OddsRecord& row, int field) {
    const table::StoredValue value = table::GetField(row, field);
    if (const Decimal* decimal = std::get_if<Decimal>(&value)) return *decimal;
    return std::nullopt;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view cp1251) {
    std::string out(cp1251);
    for (char& ch : out)
        ch = static_cast<char>(base::Cp1251LowerCase(static_cast<unsigned char>(ch)));
    return out;
}

bool Contains(const std::optional<std::string>& name, const std::string& lowered_part) {
    return name && Lower(*name).find(lowered_part) != std::string::npos;
}

// An unsigned decimal of digits with at most one "." or "," and at most four decimals, scaled;
// none for anything else or a value of a million or more.
std::optional<int64_t> ParseScaled(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int64_t whole = 0;
    int64_t fraction = 0;
    int decimals = -1;  // -1 before the mark
    bool digits = false;
    for (const char ch : text) {
        if (ch == '.' || ch == ',') {
            if (decimals >= 0) return std::nullopt;
            decimals = 0;
        } else if (ch >= '0' && ch <= '9') {
            digits = true;
            if (decimals < 0) {
                whole = whole * 10 + (ch - '0');
                if (whole >= 1'000'000) return std::nullopt;
            } else {
                if (++decimals > 4) return std::nullopt;
                fraction = fraction * 10 + (ch - '0');
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    for (int d = std::max(decimals, 0); d < 4; ++d) fraction *= 10;
    return whole * table::kDecimalScale + fraction;
}

std::string DecimalText(Decimal value) {
    const int64_t magnitude = value.scaled < 0 ? -value.scaled : value.scaled;
    std::string text = (value.scaled < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    int64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        std::string digits = std::to_string(10000 + fraction).substr(1);
        while (digits.back() == '0') digits.pop_back();
        text += "." + digits;
    }
    return text;
}

bool LineApplies(AlertLine alert, AlertLine read) {
    if (alert == AlertLine::kAny) return true;
    return alert == read;
}

}  // namespace

int AlertPriceField(std::string_view name) {
    for (const PriceFieldInfo& info : kAlertFields) {
        if (name == info.name) return table::FieldIndex(info.name);
    }
    return -1;
}

int AlertLineField(int price_field) {
    for (const PriceFieldInfo& info : kAlertFields) {
        if (info.line != nullptr && table::FieldIndex(info.name) == price_field) {
            return table::FieldIndex(info.line);
        }
    }
    return -1;
}

std::optional<Decimal> ParseAlertValue(std::string_view text) {
    const std::optional<int64_t> scaled = ParseScaled(text);
    if (!scaled || *scaled <= 0 || *scaled > kAlertValueLimit) return std::nullopt;
    return Decimal{*scaled};
}

bool IsAlertValuePrefix(std::string_view text) {
    if (text.empty()) return true;
    // Digits with at most one mark and four decimals, not above the limit: a zero so far may
    // still become 0.5.
    const std::optional<int64_t> scaled = ParseScaled(text);
    if (scaled) return *scaled <= kAlertValueLimit;
    // A lone mark is where "0,5" typed as ",5" starts.
    return text == "." || text == ",";
}

bool EventTextMatches(std::string_view event_text, const OddsRecord& row) {
    const std::string_view text = Trim(event_text);
    if (text.empty()) return true;
    const size_t dash = text.find(" - ");
    if (dash == std::string_view::npos) {
        const std::string part = Lower(text);
        return Contains(row.team_h_name, part) || Contains(row.team_g_name, part);
    }
    const std::string home = Lower(Trim(text.substr(0, dash)));
    const std::string guest = Lower(Trim(text.substr(dash + 3)));
    return Contains(row.team_h_name, home) && Contains(row.team_g_name, guest);
}

std::optional<Decimal> MeetsCondition(const AlertCondition& condition, const AlertEvent& event) {
    if (event.row == nullptr) return std::nullopt;
    const OddsRecord& row = *event.row;
    if (condition.event ? !condition.event->Matches(row)
                        : !EventTextMatches(condition.event_text, row)) {
        return std::nullopt;
    }
    if (condition.kind == AlertKind::kSurebet) {
        if (!event.surebet || *event.surebet <= 0) return std::nullopt;
        const std::optional<Decimal> percent = table::DecimalFromDouble(*event.surebet * 100.0);
        if (!percent) return std::nullopt;
        if (condition.value && percent->scaled < condition.value->scaled) return std::nullopt;
        return percent;
    }
    if (!condition.value) return std::nullopt;
    const std::optional<Decimal> price = DecimalField(row, condition.field);
    // A price of at most 1.0 stands for an outcome not offered.
    if (!table::IsQuotedPrice(price)) return std::nullopt;
    if (condition.at_line) {
        const int line_field = AlertLineField(condition.field);
        if (line_field < 0 || DecimalField(row, line_field) != condition.at_line) {
            return std::nullopt;  // another bet than the one watched
        }
    }
    const bool met = condition.direction == AlertDirection::kAtLeast
                         ? price->scaled >= condition.value->scaled
                         : price->scaled <= condition.value->scaled;
    return met ? price : std::nullopt;
}

std::vector<AlertFiring> CheckAlerts(std::vector<Alert>& alerts, const AlertRead& read) {
    std::vector<AlertFiring> fired;
    for (size_t i = 0; i < alerts.size(); ++i) {
        Alert& alert = alerts[i];
        if (alert.fired || !LineApplies(alert.condition.line, read.line)) continue;
        // Surebets exist only where both lines are compared.
        if (alert.condition.kind == AlertKind::kSurebet && read.line != AlertLine::kCompared) {
            continue;
        }
        for (const AlertEvent& event : read.events) {
            const std::optional<Decimal> value = MeetsCondition(alert.condition, event);
            if (!value) continue;
            alert.fired = AlertFired{read.time, *value, EventIdentity::Of(*event.row)};
            fired.push_back({i, event.row});
            break;
        }
    }
    return fired;
}

AlertCondition ParseAlertCondition(std::string_view utf8) {
    AlertCondition condition;
    std::string_view text = Trim(utf8);
    const size_t at = text.find('@');
    if (at != std::string_view::npos) {
        const std::string_view event = Trim(text.substr(at + 1));
        if (event.empty()) throw EAlertCondition("no event after @ in " + std::string(utf8));
        condition.event_text = table::Utf8ToCp1251(event);
        text = Trim(text.substr(0, at));
    }
    for (const auto& [prefix, line] :
         {std::pair{std::string_view("first:"), AlertLine::kFirst},
          std::pair{std::string_view("second:"), AlertLine::kSecond}}) {
        if (text.substr(0, prefix.size()) == prefix) {
            condition.line = line;
            text = Trim(text.substr(prefix.size()));
        }
    }
    const std::string whole(utf8);
    const size_t op = std::min(text.find(">="), text.find("<="));
    const std::string_view subject = Trim(text.substr(0, op));
    if (subject == "surebet") {
        condition.kind = AlertKind::kSurebet;
        if (condition.line != AlertLine::kAny) {
            throw EAlertCondition("a surebet is of both lines, not of one bookmaker: " + whole);
        }
        condition.line = AlertLine::kCompared;
        if (op == std::string_view::npos) return condition;
        if (text.substr(op, 2) != ">=") {
            throw EAlertCondition("a surebet's profit is given as surebet>=PERCENT: " + whole);
        }
        condition.value = ParseAlertValue(Trim(text.substr(op + 2)));
        if (!condition.value) {
            throw EAlertCondition("the profit must be a number above 0 and at most 1000: " + whole);
        }
        return condition;
    }
    if (op == std::string_view::npos) {
        throw EAlertCondition("no >= or <= in " + whole + " (e.g. P1>=2.5 or surebet>=2)");
    }
    condition.direction =
        text.substr(op, 2) == ">=" ? AlertDirection::kAtLeast : AlertDirection::kAtMost;
    std::string_view name = subject;
    const size_t bracket = subject.find('[');
    if (bracket != std::string_view::npos) {
        name = Trim(subject.substr(0, bracket));
        if (subject.back() != ']') throw EAlertCondition("no ] after the line in " + whole);
        std::string_view line = Trim(subject.substr(bracket + 1, subject.size() - bracket - 2));
        bool negative = false;
        if (!line.empty() && (line.front() == '-' || line.front() == '+')) {
            negative = line.front() == '-';
            line.remove_prefix(1);
        }
        const std::optional<int64_t> scaled = ParseScaled(line);
        if (!scaled) throw EAlertCondition("the line in [ ] is not a number: " + whole);
        condition.at_line = Decimal{negative ? -*scaled : *scaled};
    }
    condition.field = AlertPriceField(name);
    if (condition.field < 0) {
        throw EAlertCondition("unknown price " + std::string(name) + " in " + whole +
                              " (P1, X, P2, PX1, P2X, P12, F1, F2, TM, TB or surebet)");
    }
    if (condition.at_line && AlertLineField(condition.field) < 0) {
        throw EAlertCondition(std::string(name) + " is at no line: " + whole);
    }
    condition.value = ParseAlertValue(Trim(text.substr(op + 2)));
    if (!condition.value) {
        throw EAlertCondition("the price must be a number above 0 and at most 1000: " + whole);
    }
    return condition;
}

std::string AlertConditionText(const AlertCondition& condition) {
    std::string text;
    if (condition.line == AlertLine::kFirst) text = "first:";
    if (condition.line == AlertLine::kSecond) text = "second:";
    if (condition.kind == AlertKind::kSurebet) {
        text += "surebet";
        if (condition.value) text += ">=" + DecimalText(*condition.value);
    } else {
        text += condition.field >= 0 ? table::kOddsFields[condition.field].name : "?";
        if (condition.at_line) text += "[" + DecimalText(*condition.at_line) + "]";
        text += condition.direction == AlertDirection::kAtLeast ? ">=" : "<=";
        if (condition.value) text += DecimalText(*condition.value);
    }
    if (condition.event) {
        text += "@" + table::Cp1251ToUtf8(condition.event->home.value_or("")) + " - " +
                table::Cp1251ToUtf8(condition.event->guest.value_or(""));
    } else if (!condition.event_text.empty()) {
        text += "@" + table::Cp1251ToUtf8(condition.event_text);
    }
    return text;
}

}  // namespace lintaro::live
