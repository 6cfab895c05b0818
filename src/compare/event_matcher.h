// Which event of the first bookmaker is which of the second's. Two events match when they are the
// same sport (the sport table), the same two teams in the same roles (home with home, guest with
// guest: a rematch with the roles swapped is another event) and the same start: the second's
// clock may run a constant offset from the first's (a time zone, whole or half hours), which the
// matcher works out from the pairs it is surest of, then allows at most 15 minutes around it.
// Each event matches at most one of the other side: an assignment of the highest total score
// within each group of events that could pair up (one sport, one day at most), not a first hit.
// A pair whose score is not clearly above the next best choice of either of its events stays
// unmatched: a wrong match would show a surebet that does not exist.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compare/aliases.h"
#include "table/odds_table.h"

namespace lintaro::compare {

struct MatchOptions {
    const Aliases* aliases = nullptr;        // the user's links, which always win; none when null
    int64_t max_drift_ms = 15 * 60'000;      // around the offset
    int64_t max_offset_ms = 14 * 3'600'000;  // the largest time-zone difference considered
    double min_name_score = 0.77;            // each team's name similarity
    double min_score = 0.8;                  // the pair's score
    double min_lead = 0.05;                  // over the runner-up of either event
    // Threads the names' comparisons are shared among, the caller's included (1: the caller's
    // alone). The result is the same whatever the number.
    int workers = 2;
};

struct EventPair {
    int first = 0;       // index into the first's rows
    int second = 0;      // index into the second's rows
    double score = 0.0;  // in [0, 1]
};

struct MatchResult {
    std::vector<EventPair> pairs;  // ordered by `first`
    int64_t offset_ms = 0;         // the second's start minus the first's
    int offset_support = 0;        // the sure pairs the offset was worked out from
};

// Rows without a start, a sport or a usable name of either team never match.
MatchResult MatchEvents(std::span<const table::OddsRecord> first,
                        std::span<const table::OddsRecord> second,
                        const MatchOptions& options = {});

}  // namespace lintaro::compare
