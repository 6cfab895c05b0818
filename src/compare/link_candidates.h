// The events a user may link an unmatched event with by hand: those of the other bookmaker of the
// same sport that start where the matcher would accept them (within its drift of the line's
// offset), scored as the matcher scores a pair (both teams' name similarity, in their roles, less
// a little for the drift), best first. Linking the names of such a pair makes the matcher pair the
// two events; one further away in time could not be, so it is not offered.
#pragma once

#include <span>
#include <vector>

#include "compare/event_matcher.h"
#include "table/odds_table.h"

namespace lintaro::compare {

struct LinkCandidate {
    int row = 0;         // index into `others`
    double score = 0.0;  // in [0, 1]
};

struct LinkCandidateQuery {
    const table::OddsRecord* event = nullptr;   // the event to find a partner for
    bool event_at_first = true;                 // whose it is
    std::span<const table::OddsRecord> others;  // the other bookmaker's rows
    std::span<const int> allowed;               // the indices into `others` that may be offered
    int64_t offset_ms = 0;                      // the second's clock minus the first's
    size_t count = 5;
};

// At most `query.count` candidates, best first (ties: nearer start, then row order). None for an
// event without a sport, a start or both teams.
std::vector<LinkCandidate> LikeliestPartners(const LinkCandidateQuery& query,
                                             const MatchOptions& options = {});

}  // namespace lintaro::compare
