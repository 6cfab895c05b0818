// A small odds table for the grid's tests: rows written readably (UTF-8 texts, calendar dates) and
// inserted as a reader would.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "grid/grid_tree.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"
#include "table/odds_table.h"

namespace lintaro::grid::testing {

// One event; nullopt leaves a field null.
struct Event {
    std::optional<std::string> sport;       // UTF-8
    std::optional<std::string> tournament;  // UTF-8
    std::optional<table::CalendarParts> start;
    std::optional<std::string> home;   // UTF-8
    std::optional<std::string> guest;  // UTF-8
    std::optional<double> p1 = std::nullopt;
    int32_t key = 0;
    std::optional<std::string> sheet = std::string("<b>sheet</b>");
};

inline table::CalendarParts At(int day, int hour, int minute = 0, int month = 12, int year = 2026) {
    return table::CalendarParts{year, month, day, hour, minute, 0, 0};
}

inline std::vector<table::FieldValue> ValuesOf(const Event& e) {
    std::vector<table::FieldValue> values(table::kOddsFieldCount, table::Null{});
    auto text = [](const std::optional<std::string>& utf8) -> table::FieldValue {
        if (!utf8) return table::Null{};
        return table::Utf8ToCp1251(*utf8);
    };
    values[0] = text(e.sport);
    values[1] = text(e.tournament);
    if (e.start) values[2] = table::DaysFromDateTime(*table::MakeDateTime(*e.start));
    values[3] = text(e.home);
    values[4] = text(e.guest);
    if (e.p1) values[5] = *e.p1;
    values[18] = e.key;
    values[19] = e.sheet ? table::FieldValue(*e.sheet) : table::FieldValue(table::Null{});
    return values;
}

inline void Fill(table::OddsTable& table, const std::vector<Event>& events) {
    table.ResetTable();
    for (const Event& e : events) table.InsertRow(ValuesOf(e));
}

// The tree as text, one node a line in pre-order: group rows as their text, event rows as
// "  home-guest" indented by level (UTF-8), so a test compares a whole tree at once.
inline std::string Dump(const GridTree& tree) {
    std::string out;
    for (NodeRef node : tree.PreOrder()) {
        out.append(2 * node.level, ' ');
        if (tree.IsGroup(node)) {
            out += table::Cp1251ToUtf8(tree.GroupText(node));
        } else {
            out += tree.CellText(node, kColHomeTeam) + "-" + tree.CellText(node, kColGuestTeam);
        }
        out += "|\n";
    }
    return out;
}

}  // namespace lintaro::grid::testing
