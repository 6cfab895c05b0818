// Two bookmakers' lines as one: the rows a grid shows when both lines are read at once. A matched
// event is one row in the first bookmaker's words (its sport, tournament, teams and start) whose
// prices are the better of the two, each with the bookmaker that holds it; an event that found no
// partner is a row of its own bookmaker's prices, the second's moved to the first's clock and put
// under the first's names of its sport and tournament where a matched pair shows them, so that it
// groups and sorts among the others.
//
//   MergedLine line = MergeLines(std::move(first_rows), std::move(second_rows), options);
//   table.AppendRows(std::move(line.rows));        // Key_ID is 1 + the event's index
//   const MergedEvent* event = line.Find(row);     // a shown row's comparison, its two rows
//
// Holders. Each price field of a merged row tells who quotes the price it shows: the one whose
// price is higher, both when they are equal, nobody when the two cannot be compared (handicap or
// total prices at different lines: the row then shows the first's own line and prices). The line
// fields (VF1, VF2, VT) hold nobody.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "compare/line_comparison.h"
#include "table/odds_table.h"

namespace lintaro::compare {

// Who holds the price a merged cell shows.
enum class Holder : uint8_t { kNone, kFirst, kSecond, kBoth };

// One row of the merged line.
struct MergedEvent {
    int first = -1;               // index into MergedLine::first_rows, -1 for none
    int second = -1;              // index into MergedLine::second_rows, -1 for none
    std::optional<double> score;  // the match's confidence; none when unmatched
    EventComparison comparison;   // as CompareEvent gives it (an unmatched event: its own prices)
    // Per table field (kOddsFields' order): who holds the shown price. kNone for every field of
    // an unmatched event and for every field that is not a price.
    std::array<Holder, table::kOddsFieldCount> holders{};

    bool Matched() const { return first >= 0 && second >= 0; }
    // The profit of the best surebet (a fraction: 0.02 is 2%), none without one.
    std::optional<double> BestSurebet() const;
};

struct MergedLine {
    std::vector<table::OddsRecord> first_rows;   // the first bookmaker's rows as read
    std::vector<table::OddsRecord> second_rows;  // the second's
    // The merged rows, one per event, in the comparison's order (the first's events, then the
    // second's unmatched ones); row i has Key_ID i + 1. Moved out into a table to be shown.
    std::vector<table::OddsRecord> rows;
    std::vector<MergedEvent> events;  // events[i] is rows[i]'s
    int64_t offset_ms = 0;            // the second's clock minus the first's
    int matched = 0;

    // The event of a merged row (by its Key_ID), or nullptr for a row of no event of this line.
    const MergedEvent* Find(const table::OddsRecord& row) const;
    // The event's row at each bookmaker, or nullptr when it has none there.
    const table::OddsRecord* FirstRow(const MergedEvent& event) const;
    const table::OddsRecord* SecondRow(const MergedEvent& event) const;
};

// Matches and compares the two lines (CompareLines with every unmatched event included; `options`
// gives the matching and the bank) and builds the merged rows. Never throws for any rows a table
// holds.
MergedLine MergeLines(std::vector<table::OddsRecord> first, std::vector<table::OddsRecord> second,
                      const LineOptions& options = {});

}  // namespace lintaro::compare
