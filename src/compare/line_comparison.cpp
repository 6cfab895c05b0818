#include "compare/line_comparison.h"

namespace lintaro::compare {

using table::OddsRecord;

LineComparison CompareLines(std::span<const OddsRecord> first, std::span<const OddsRecord> second,
                            const LineOptions& options) {
    LineComparison out;
    const MatchResult match = MatchEvents(first, second, options.match);
    out.offset_ms = match.offset_ms;
    out.matched = static_cast<int>(match.pairs.size());
    std::vector<char> second_matched(second.size(), 0);
    for (const EventPair& pair : match.pairs) second_matched[pair.second] = 1;
    const OddsRecord none;
    auto keep = [&](ComparedEvent&& event) {
        if (options.surebets_only && event.comparison.surebets.empty()) return;
        out.events.push_back(std::move(event));
    };
    size_t next_pair = 0;
    for (size_t r = 0; r < first.size(); ++r) {
        if (next_pair < match.pairs.size() && match.pairs[next_pair].first == static_cast<int>(r)) {
            const EventPair& pair = match.pairs[next_pair++];
            keep({pair.first, pair.second, pair.score,
                  CompareEvent(first[r], second[pair.second], options.bank)});
        } else if (options.include_unmatched) {
            keep({static_cast<int>(r), -1, std::nullopt,
                  CompareEvent(first[r], none, options.bank)});
        }
    }
    if (options.include_unmatched) {
        for (size_t r = 0; r < second.size(); ++r) {
            if (second_matched[r]) continue;
            keep({-1, static_cast<int>(r), std::nullopt,
                  CompareEvent(none, second[r], options.bank)});
        }
    }
    return out;
}

}  // namespace lintaro::compare
