// The first bookmaker's reader. A section heading "class=cap>SPORT. TOURNAMENT</div>" is followed
// by the section body up to the next "<div"; each event is one line of fixed-width price columns
// between the bold "1)" home team and the bold "2)" guest team, ending in the event sheet.
#include "readers/first_bookmaker.h"

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "base/whole_number.h"
#include "http/net_errors.h"
#include "readers/reader_failure.h"
#include "readers/search_budget.h"
#include "readers/text_conversions.h"
#include "regex/pattern.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::readers {

using regex::TPattern;
using table::CivilDate;
using table::Utf8ToCp1251;

// Sections and events are matched ignoring letter case (kModifierI) with Cyrillic ranges
// (kModifierR) on; "s" stays on, so "." crosses line ends, and quantifiers stay greedy.

// A heading "class=cap>SPORT. TOURNAMENT<" and, after the heading's "/div>", the body up to the
// next "<div". The ".{0,100}" is greedy: a very short body lets the heading reach the next
// heading's
// "/div>", and that section is then read under the first heading.
extern const char kFirstBookmakerSectionPattern[] =
    R"re(class=cap>([^\.]+)\.([^\<]+)\<.{0,100}/div>(.*?)<div)re";

namespace {

// Every event pattern has the same 18 groups; the sport decides the shape of the price columns.
constexpr char kEventPattern1[] =  // soccer, hockey, handball
    R"re(([0-9\s\/]{6})\<b\sid\=r.{0,60}\>1\)([^\<]+)\<.{0,10}\/b\>\s\<b \>([^\<]+)\<\/b\>([0-9\s\/.]{7})([0-9\s\/.]{7})<b >([^\<]+)</b>([0-9\s\/.]{7})([0-9\s\/.]{7})<b >([^\=]+)\=>([^\<]+)</b>([^\=]+)\=>([^\<]+)<b >([^\<]+)</b>([0-9\s\/.]{6})([0-9\s\/.]{5}).{0,10}([0-9\s\/:]{7})\<b\sid\=r.{0,60}\>2\)([^\<]+)\<.{0,10}/b\>(.*?)\r)re";
constexpr char kEventPattern2[] =  // volleyball
    R"re(([0-9\s\/]{6})\<b\sid\=r.{0,60}\>1\)([^\<]+)\<.{0,10}\/b\>\s\<b \>([^\<]+)\<\/b\>()([^\<]+)()()()<b >([^\=]+)\=>([^\<]+)</b>([^\=]+)\=>([^\<]+)<b >([^\<]+)</b>([0-9\s\/.]{6})([0-9\s\/.]{6}).{0,10}([0-9\s\/:]{7})\<b\sid\=r.{0,60}\>2\)([^\<]+)\<.{0,10}/b\>(.*?)\r)re";
constexpr char kEventPattern3[] =  // basketball
    R"re(([0-9\s\/]{6})\<b\sid\=r.{0,60}\>1\)([^\<]+)\<.{0,10}\/b\>\s\<b \>([^\<]+)\<\/b\>([0-9\s\/.]{8})([0-9\s\/.]{9})()()()<b >([^\=]+)\=>([^\<]+)</b>([^\=]+)\=>([^\<]+)<b >([^\<]+)</b>([0-9\s\/.]{6})([0-9\s\/.]{6}).{0,10}([0-9\s\/:]{7})\<b\sid\=r.{0,60}\>2\)([^\<]+)\<.{0,10}/b\>(.*?)\r)re";
constexpr char kEventPattern4[] =  // baseball
    R"re(([0-9\s\/]{6})\<b\sid\=r.{0,60}\>1\)([^\<]+)\<.{0,10}\/b\>\s\<b \>([^\<]+)()\<\/b\>([^\<]+)()()()<b >([^\=]+)\=>([^\<]+)</b>([^\=]+)\=>([^\<]+)<b >([^\<]+)</b>([0-9\s\/.]{6})([0-9\s\/.]{6})<b >[^\<]+</b>[0-9\s\/.]{7}[0-9\s\/.]{6}<b >[^\<]+</b>[0-9\s\/.]{7}[0-9\s\/.]{5}.{0,10}([0-9\s\/:]{7})\<b\sid\=r.{0,60}\>2\)([^\<]+)\<.{0,10}/b\>(.*?)\r)re";
constexpr char kEventPattern5[] =  // tennis
    R"re(([0-9\s\/]{6})<b id\=r.{0,60}>1\)([^\<]+)<.{0,10}/b> <b >([^\<]+)()</b>([^\<]+)()()()<b >[^\<]+</b>[^\<]+<b >([^\=]+)\=>([^\<]+)</b>([^\=]+)\=>([^\<]+)<b >([^\<]+)</b>([0-9\s\/.]{6})([0-9\s\/.]{5}).{0,10}([0-9\s\/:]{7})\<b\sid\=r.{0,60}\>2\)([^\<]+)\<.{0,10}/b\>(.*?)\r)re";

struct SportEntry {
    const char* name_utf8;  // as the page writes it, lower-cased
    const char* pattern;
};

const std::vector<std::pair<std::string, const char*>>& SportTable() {
    static const std::vector<std::pair<std::string, const char*>> table = [] {
        static constexpr std::array<SportEntry, 7> kSports = {{
            {"футбол", kEventPattern1},
            {"хоккей", kEventPattern1},
            {"гандбол", kEventPattern1},
            {"волейбол", kEventPattern2},
            {"баскетбол", kEventPattern3},
            {"бейсбол", kEventPattern4},
            {"теннис", kEventPattern5},
        }};
        std::vector<std::pair<std::string, const char*>> converted;
        for (const SportEntry& sport : kSports) {
            converted.emplace_back(Utf8ToCp1251(sport.name_utf8), sport.pattern);
        }
        return converted;
    }();
    return table;
}

// Tournaments of results, pairings and outright winners hold no event lines worth reading.
const std::vector<std::string>& SkipWords() {
    static const std::vector<std::string> words = {Utf8ToCp1251("итоги"), Utf8ToCp1251("пары"),
                                                   Utf8ToCp1251("победитель")};
    return words;
}

bool IsSpaces(std::string_view text) { return text.find_first_not_of(' ') == text.npos; }

// A run of digits with optional blanks around it; nullopt otherwise (or when absurdly long).
std::optional<int> ReadNumberField(std::string_view text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == text.npos) return std::nullopt;
    const size_t end = text.find_last_not_of(' ') + 1;
    const std::string_view digits = text.substr(begin, end - begin);
    int64_t value = 0;
    if (digits.size() > 9 || digits.front() == '+' || digits.front() == '-' ||
        !base::ParseWholeNumber(digits, value)) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// Splits at every `separator`.
std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t begin = 0;
    while (true) {
        const size_t at = text.find(separator, begin);
        if (at == text.npos) {
            parts.push_back(text.substr(begin));
            return parts;
        }
        parts.push_back(text.substr(begin, at - begin));
        begin = at + 1;
    }
}

// The event's date "DD.MM" (the page's "/" already turned into "."); the year is chosen around
// today, since the page prints none.
std::optional<CivilDate> ReadEventDate(std::string_view date_text, const CivilDate& today) {
    const std::vector<std::string_view> parts = SplitAt(date_text, '.');
    if (parts.size() != 2 || IsSpaces(parts[0]) || IsSpaces(parts[1])) return std::nullopt;
    const std::optional<int> day = ReadNumberField(parts[0]);
    const std::optional<int> month = ReadNumberField(parts[1]);
    if (!day || !month) return std::nullopt;
    return ChooseEventDate(today, *month, *day);
}

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Hours, optionally ":" and minutes, optionally ":" and seconds.
std::optional<TimeOfDay> ReadTimeOfDay(std::string_view time_text) {
    const std::vector<std::string_view> parts = SplitAt(time_text, ':');
    if (parts.size() > 3) return std::nullopt;
    int values[3] = {0, 0, 0};
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::optional<int> value = ReadNumberField(parts[i]);
        if (!value) return std::nullopt;
        values[i] = *value;
    }
    if (values[0] >= 24 || values[1] >= 60 || values[2] >= 60) return std::nullopt;
    return TimeOfDay{values[0], values[1], values[2]};
}

// The length of `text` up to the end of the last occurrence of `marker` (ASCII letters in any
// case), or 0 when it does not occur.
size_t EndOfLast(std::string_view text, std::string_view marker) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t at = text.size(); at >= marker.size(); --at) {
        size_t i = 0;
        while (i < marker.size() && lower(text[at - marker.size() + i]) == marker[i]) ++i;
        if (i == marker.size()) return at;
    }
    return 0;
}

table::FieldValue Price(const std::string& group_text) {
    const std::optional<double> value = StrToFloatOrNull(Trim(group_text));
    if (!value) return table::Null{};
    return *value;
}

}  // namespace

const char* FirstBookmakerEventPattern(const std::string& sport_name) {
    for (const auto& [name, pattern] : SportTable()) {
        if (name == sport_name) return pattern;
    }
    return nullptr;
}

bool IsSkippedTournament(const std::string& tournament_name) {
    const std::string lower = Cp1251Lower(tournament_name);
    for (const std::string& word : SkipWords()) {
        if (Find(lower, word) != 0) return true;
    }
    return false;
}

void InsertFirstBookmakerEvent(const std::function<std::string(int)>& group,
                               const std::string& sport_name, const std::string& tournament_name,
                               table::OddsTable& table, const CivilDate& today, int32_t& count) {
    const std::string date_text = ReplaceAll(Trim(group(1)), "/", ".");
    const std::string time_text = Trim(group(16));
    const std::optional<CivilDate> date = ReadEventDate(date_text, today);
    const std::optional<TimeOfDay> time = ReadTimeOfDay(time_text);
    if (!date || !time) return;  // an unreadable start: no row and no number

    std::vector<table::FieldValue> values;
    values.reserve(table::kOddsFieldCount);
    values.emplace_back(sport_name);
    values.emplace_back(tournament_name);
    values.emplace_back(DateTimeValue(*date, time->hour, time->minute, time->second));
    values.emplace_back(Trim(group(2)));   // home team
    values.emplace_back(Trim(group(17)));  // guest team
    values.push_back(Price(group(3)));     // P1
    values.push_back(Price(group(4)));     // X
    values.push_back(Price(group(5)));     // P2
    values.push_back(Price(group(6)));     // PX1
    values.push_back(Price(group(8)));     // P2X: the page lists it after P12
    values.push_back(Price(group(7)));     // P12
    values.push_back(Price(group(10)));    // F1: the page writes value "=>" price
    values.push_back(Price(group(9)));     // VF1
    values.push_back(Price(group(12)));    // F2
    values.push_back(Price(group(11)));    // VF2
    values.push_back(Price(group(14)));    // TM
    values.push_back(Price(group(15)));    // TB
    values.push_back(Price(group(13)));    // VT: the page writes it before the prices
    values.emplace_back(++count);
    values.emplace_back(Trim(group(18)));  // event sheet
    try {
        table.InsertRow(values);
    } catch (const table::ETableError&) {
        // The row is lost; its number is not handed to the next event.
    }
}

std::string FirstBookmakerPageUrl(const std::string& host) {
    return "http://" + host + "/odds.shtml?d=0&h=0&r0=0&asp=1";
}

void ParseFirstBookmakerPage(std::string_view page_lines, table::OddsTable& table,
                             const CivilDate& today) {
    int32_t count = 0;
    // Every section ends in "<div" and every event in a CR, so nothing after the last of them can
    // be part of a match. Leaving that tail out changes no result, but spares a page without them
    // (a broken or hostile one) from a lazy scan to its end at every heading or event.
    page_lines = page_lines.substr(0, EndOfLast(page_lines, "<div"));
    TPattern sections;
    sections.SetExpression(kFirstBookmakerSectionPattern);
    sections.SetModifierByIndex(regex::kModifierI, true);
    sections.SetModifierByIndex(regex::kModifierR, true);
    // One event matcher per sport's pattern, compiled at its first section and searching every
    // later section body of the page: a page has hundreds of sections and a few patterns.
    std::vector<std::pair<const char*, std::unique_ptr<TPattern>>> event_matchers;
    const auto matcher_for = [&event_matchers](const char* event_pattern) -> TPattern& {
        for (auto& [text, matcher] : event_matchers) {
            if (text == event_pattern) return *matcher;
        }
        auto matcher = std::make_unique<TPattern>();
        matcher->SetExpression(event_pattern);
        matcher->SetModifierByIndex(regex::kModifierI, true);
        matcher->SetModifierByIndex(regex::kModifierR, true);
        return *event_matchers.emplace_back(event_pattern, std::move(matcher)).second;
    };
    for (bool found = ExecWithBudget(sections, page_lines); found; found = sections.ExecNext()) {
        const std::string tournament_name = Trim(sections.Match(2));
        const std::string sport_name = Trim(Cp1251Lower(sections.Match(1)));
        if (IsSkippedTournament(tournament_name)) continue;
        const char* event_pattern = FirstBookmakerEventPattern(sport_name);
        if (event_pattern == nullptr) continue;
        // The section body is the event matcher's subject.
        TPattern& events = matcher_for(event_pattern);
        const auto group = [&events](int n) { return events.Match(n); };
        std::string_view body = page_lines.substr(static_cast<size_t>(sections.MatchPos(3)),
                                                  static_cast<size_t>(sections.MatchLen(3)));
        body = body.substr(0, EndOfLast(body, "\r"));
        for (bool event = ExecWithBudget(events, body); event; event = events.ExecNext()) {
            InsertFirstBookmakerEvent(group, sport_name, tournament_name, table, today, count);
        }
    }
}

void LoadFirstBookmaker(const ReaderContext& context, const std::string& host) {
    ReaderUi& ui = context.ui;
    // Restored in this order (display first, then the cursor) however the load ends, a message box
    // that fails included.
    const ScopedWaitCursor wait_cursor(ui);
    const table::ScopedDisplaySuspension suspension(context.table);
    try {
        std::string page_lines;
        try {
            page_lines = NormalizeLines(context.fetch_text(FirstBookmakerPageUrl(host)));
        } catch (const http::ENetCancelled&) {
            throw;
        } catch (const std::exception& e) {
            if (EndsTheRead(e)) throw EReaderFailure(IncompleteReadMessage(e.what()));
            throw EReaderFailure(ListFetchFailedMessage());
        }
        try {
            ParseFirstBookmakerPage(page_lines, context.table, ui.Today());
        } catch (const std::exception& e) {
            throw EReaderFailure(ParseFailedPrefix() + e.what());
        }
    } catch (const http::ENetCancelled&) {
        // The user stopped the refresh: no message.
    } catch (const std::exception& e) {
        ui.ShowMessage(e.what());
    }
}

}  // namespace lintaro::readers
