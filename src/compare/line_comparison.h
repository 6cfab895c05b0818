// Two bookmakers' lines side by side: the matcher's pairs with each pair's comparison, and the
// events of either side that found no partner. What the CLI prints and the window will show.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "compare/event_matcher.h"
#include "compare/price_comparison.h"
#include "table/odds_table.h"

namespace lintaro::compare {

struct LineOptions {
    MatchOptions match;
    double bank = 100.0;             // split into every surebet's stakes
    bool include_unmatched = false;  // also each event without a partner
    bool surebets_only = false;      // only events with a surebet
};

struct ComparedEvent {
    int first = -1;               // row index at the first, -1 for none
    int second = -1;              // row index at the second, -1 for none
    std::optional<double> score;  // the match's confidence; none when unmatched
    EventComparison comparison;   // an unmatched event's own prices, from its side
};

struct LineComparison {
    // The first's rows in their order (each matched one with its partner), then the second's
    // unmatched rows in theirs; with include_unmatched every row appears exactly once.
    std::vector<ComparedEvent> events;
    int64_t offset_ms = 0;  // the second's clock minus the first's, as the matcher found it
    int matched = 0;
};

LineComparison CompareLines(std::span<const table::OddsRecord> first,
                            std::span<const table::OddsRecord> second,
                            const LineOptions& options = {});

}  // namespace lintaro::compare
