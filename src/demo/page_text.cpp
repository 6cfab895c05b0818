// Numbers, dates and texts as the demo line's pages write them.
#include "demo/page_text.h"

#include <cstdio>
#include <cstdlib>

#include "table/cp1251_text.h"

namespace lintaro::demo {

namespace chr = std::chrono;

std::string Price(int milli, int decimals) {
    char buffer[32];
    if (decimals == 2) {
        std::snprintf(buffer, sizeof buffer, "%d.%02d", milli / 1000, (milli % 1000) / 10);
    } else {
        std::snprintf(buffer, sizeof buffer, "%d.%03d", milli / 1000, milli % 1000);
    }
    return buffer;
}

std::string Value(int milli, bool signed_plus) {
    std::string sign = milli < 0 ? "-" : (signed_plus && milli > 0 ? "+" : "");
    const int magnitude = std::abs(milli);
    std::string text = std::to_string(magnitude / 1000);
    if (int fraction = magnitude % 1000; fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", fraction);
        std::string decimals = digits;
        while (decimals.back() == '0') decimals.pop_back();
        text += "." + decimals;
    }
    return sign + text;
}

std::string Column(const std::string& text, size_t width) {
    std::string out;
    if (text.size() + 1 < width) out.assign(width - 1 - text.size(), ' ');
    out += text;
    out += ' ';
    return out;
}

std::string Cp(std::string_view utf8) { return table::Utf8ToCp1251(utf8); }

table::DateTime MakeStart(chr::year_month_day date, int hour, int minute) {
    table::CalendarParts parts;
    parts.year = static_cast<int>(date.year());
    parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
    parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.hour = hour;
    parts.minute = minute;
    return table::MakeDateTime(parts).value();
}
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

int MinuteOfDay(const char* clock) {
    return ((clock[0] - '0') * 10 + (clock[1] - '0')) * 60 + (clock[3] - '0') * 10 +
           (clock[4] - '0');
}
}  // namespace lintaro::demo
