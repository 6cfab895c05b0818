// The second bookmaker's tournament page. An event spans two table rows (baseball) or three
// (soccer, tennis); dates are "month/day", times are on a 12-hour clock and lie 10 hours behind the
// line's local time, and handicaps and totals are short texts cut apart at fixed positions.
#include <optional>
#include <vector>

#include "readers/search_budget.h"
#include "readers/second_bookmaker.h"
#include "readers/text_conversions.h"
#include "regex/pattern.h"
#include "table/odds_table.h"

namespace lintaro::readers {

using table::CivilDate;
using table::FieldValue;
using table::Null;

namespace {

constexpr char kSoccerPattern[] =
    R"re(<TR[^\>]+\>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>[\d]+</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)<.{1,150}</td>[\r\n]+</TR><TR[^\>]+\>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>[\d]+</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</TR><TR[^\>]+\>[\r\n]+<td [^\>]+\>[^\<]+</td>[\r\n]+<td [^\>]+\>[\d]+</td>[\r\n]+<td [^\>]+\>[^\<]+(draw)</td>[\r\n]+<td [^\>]+\>[^\<]+</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>[^\<]+</td>)re";
// Baseball has no third row; its three trailing empty groups keep the soccer group numbers.
constexpr char kBaseballPattern[] =
    R"re(<TR[^\>]+\>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>[\d]+</td>[\r\n]+<td [^\>]+\>([^\<]+)<BR><EM>[^\<]+</EM></td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)<td [^\>]+\>[\r\n]+.{0,150}</td>[\r\n]+</TR><TR[^\>]+\>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>[\d]+</td>[\r\n]+<td [^\>]+\>([^\<]+)<BR><EM>[^\<]+</EM></td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</td>[\r\n]+<td [^\>]+\>([^\<]+)</TR>()()())re";
constexpr char kTennisPattern[] =
    R"re(<tr[^\>]+\>.{0,10}<td [^\>]+\>([^\<]+)</td>.{0,10}<td [^\>]+\>([\w\s\.]+)\svs\s([^\<]+)</td>.{0,10}</tr>.{0,10}<tr[^\>]+\>.{0,10}<td>([^\<]+)</td>.{0,10}<td [^\>]+\>[^\<]+</td>.{0,10}<td [^\>]+\>([^\<]+)</td></tr>.{0,10}<tr[^\>]+\>.{0,10}<td [^\>]+\>[^\<]+</td>.{0,10}<td [^\>]+\>[^\<]+</td>.{0,10}<td [^\>]+\>([^\<]+)</td></tr>.{0,10})re";

// The page's clock runs this many hours behind the line's.
constexpr int kHourShift = 10;

const char* RowPatternFor(const std::string& sport_key) {
    if (sport_key == "soccer") return kSoccerPattern;
    if (sport_key == "baseball") return kBaseballPattern;
    if (sport_key == "tennis") return kTennisPattern;
    return nullptr;
}

// The two characters before and the two after the first `separator`, each trimmed and read as an
// integer. Without the separator both come from the first two characters; a one-digit first
// number at the start of the cell reads as "8:" and fails.
std::optional<std::pair<int, int>> ReadPair(const std::string& text, const char* separator) {
    const int p = Find(text, separator);
    const std::optional<int> first = ReadInteger(Trim(Copy(text, p - 2, 2)));
    const std::optional<int> second = ReadInteger(Trim(Copy(text, p + 1, 2)));
    if (!first || !second) return std::nullopt;
    return std::make_pair(*first, *second);
}

std::optional<double> StartValue(const std::string& date_cell, const std::string& time_cell,
                                 const CivilDate& today) {
    const std::string date_text = Trim(date_cell);
    const std::optional<std::pair<int, int>> month_day = ReadPair(date_text, "/");
    if (!month_day) return std::nullopt;
    const std::string time_text = Trim(time_cell);
    const std::optional<std::pair<int, int>> hour_minute = ReadPair(time_text, ":");
    if (!hour_minute) return std::nullopt;
    int hour = hour_minute->first;
    const int minute = hour_minute->second;
    // A twelve-hour clock: 12 AM is midnight and 12 PM is noon; other PM hours move on by 12. A
    // time without "am" or "pm" is taken as written.
    const std::string lower_time = AsciiLower(time_text);
    if (Find(lower_time, "pm") != 0) {
        if (hour != 12) hour += 12;
    } else if (Find(lower_time, "am") != 0 && hour == 12) {
        hour = 0;
    }
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60) return std::nullopt;
    const std::optional<CivilDate> date =
        ChooseEventDate(today, month_day->first, month_day->second);
    if (!date) return std::nullopt;
    const int shifted = hour + kHourShift;
    const CivilDate day = shifted >= 24 ? DateFromDays(DaysSinceEpoch(*date) + 1) : *date;
    return DateTimeValue(day, shifted % 24, minute, 0);
}

std::string CellText(const std::string& group_text) { return Trim(ReplaceNbsp(group_text)); }

FieldValue Number(const std::string& text) {
    const std::optional<double> value = StrToFloatOrNull(Trim(text));
    if (!value) return Null{};
    return *value;
}

int Length(const std::string& text) { return static_cast<int>(text.size()); }

struct Handicap {
    FieldValue value = Null{};
    FieldValue price = Null{};
};

// "-1.5   2.050": the signed value runs from the first "-" (else "+") to the next blank, the price
// is the last seven characters.
Handicap ReadHandicap(const std::string& cell) {
    Handicap handicap;
    if (cell.empty()) return handicap;
    int p = Find(cell, "-");
    if (p == 0) p = Find(cell, "+");
    if (p == 0) return handicap;
    handicap.value = Number(CopyUntilChar(cell, p, ' '));
    handicap.price = Number(Copy(cell, Length(cell) - 6, 7));
    return handicap;
}

struct Total {
    FieldValue value = Null{};
    FieldValue over = Null{};
    FieldValue under = Null{};
};

// "Over 2.5 and 3   1.950" and "Under 2.5   1.850": the value follows "over", up to "and" or the
// first blank; each price is the last eight characters of its cell.
Total ReadTotal(const std::string& over_cell, const std::string& under_cell) {
    Total total;
    const int over_at = Find(AsciiLower(over_cell), "over");
    if (!over_cell.empty() && over_at != 0) {
        const std::string rest = Copy(over_cell, over_at + 5, Length(over_cell));
        const int and_at = Find(AsciiLower(rest), "and");
        total.value =
            and_at != 0 ? Number(Copy(rest, 1, and_at - 1)) : Number(CopyUntilChar(rest, 1, ' '));
        total.over = Number(Copy(rest, Length(rest) - 7, 8));
    }
    if (!under_cell.empty() && Find(AsciiLower(under_cell), "under") != 0) {
        total.under = Number(Copy(under_cell, Length(under_cell) - 7, 8));
    }
    return total;
}

}  // namespace

void ParseSecondBookmakerPage(std::string_view page_lines, const std::string& sport_key,
                              const std::string& tournament_name, table::OddsTable& table,
                              const CivilDate& today) {
    const char* row_pattern = RowPatternFor(sport_key);
    if (row_pattern == nullptr) return;
    const bool tennis = sport_key == "tennis";
    int32_t count = 0;
    regex::TPattern rows;
    rows.SetExpression(row_pattern);
    rows.SetModifierByIndex(regex::kModifierI, true);
    rows.SetModifierByIndex(regex::kModifierR, true);
    for (bool found = ExecWithBudget(rows, page_lines); found; found = rows.ExecNext()) {
        const std::optional<double> start =
            StartValue(rows.Match(1), rows.Match(tennis ? 4 : 6), today);
        if (!start) continue;  // no row, no number

        // Every value is worked out afresh for each row: a missing cell is null, never the
        // previous event's.
        FieldValue p1, x, p2;
        Handicap home, guest;
        Total total;
        if (tennis) {
            p1 = Number(CellText(rows.Match(5)));
            x = 0.0;  // tennis has no draw; the line shows a zero price
            p2 = Number(CellText(rows.Match(6)));
        } else {
            p1 = Number(CellText(rows.Match(4)));
            x = Number(CellText(rows.Match(12)));
            p2 = Number(CellText(rows.Match(9)));
            home = ReadHandicap(CellText(rows.Match(3)));
            guest = ReadHandicap(CellText(rows.Match(8)));
            total = ReadTotal(CellText(rows.Match(5)), CellText(rows.Match(10)));
        }
        std::vector<FieldValue> values;
        values.reserve(table::kOddsFieldCount - 1);
        values.emplace_back(sport_key);
        values.emplace_back(tournament_name);
        values.emplace_back(*start);
        values.emplace_back(CellText(rows.Match(2)));               // home team, first player
        values.emplace_back(CellText(rows.Match(tennis ? 3 : 7)));  // guest team, second player
        values.push_back(p1);
        values.push_back(x);
        values.push_back(p2);
        values.emplace_back(Null{});  // PX1
        values.emplace_back(Null{});  // P2X
        values.emplace_back(Null{});  // P12
        values.push_back(home.price);
        values.push_back(home.value);
        values.push_back(guest.price);
        values.push_back(guest.value);
        values.push_back(total.under);
        values.push_back(total.over);
        values.push_back(total.value);
        values.emplace_back(++count);
        // dop_info is not given: this bookmaker publishes no event sheet.
        try {
            table.InsertRow(values);
        } catch (const table::ETableError&) {
            // The row is lost; its number is not handed to the next event.
        }
    }
}

}  // namespace lintaro::readers
