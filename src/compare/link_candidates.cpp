// Candidates for a link by hand: filtered by sport and start first, so that only a few names are
// prepared and compared.
#include "compare/link_candidates.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "compare/name_similarity.h"
#include "compare/sport_names.h"

namespace lintaro::compare {

std::vector<LinkCandidate> LikeliestPartners(const LinkCandidateQuery& query,
                                             const MatchOptions& options) {
    const table::OddsRecord* event = query.event;
    if (!event || !event->sport_type_name || !event->sport_event_date || !event->team_h_name ||
        !event->team_g_name) {
        return {};
    }
    const std::string sport = SportKey(*event->sport_type_name);
    if (sport.empty()) return {};
    // The other's start on the event's clock is its own less the offset (or plus it).
    const int64_t offset = query.event_at_first ? query.offset_ms : -query.offset_ms;
    const PreparedName home = PrepareName(*event->team_h_name);
    const PreparedName guest = PrepareName(*event->team_g_name);
    std::unordered_map<std::string, double> home_alike, guest_alike;
    const auto alike = [](std::unordered_map<std::string, double>& seen, const PreparedName& name,
                          const std::string& other) {
        const auto [it, added] = seen.emplace(other, 0.0);
        if (added) it->second = NameSimilarity(name, PrepareName(other));
        return it->second;
    };
    struct Scored {
        LinkCandidate candidate;
        int64_t drift;
    };
    std::vector<Scored> scored;
    for (const int r : query.allowed) {
        if (r < 0 || static_cast<size_t>(r) >= query.others.size()) continue;
        const table::OddsRecord& other = query.others[static_cast<size_t>(r)];
        if (!other.sport_type_name || !other.sport_event_date || !other.team_h_name ||
            !other.team_g_name || SportKey(*other.sport_type_name) != sport) {
            continue;
        }
        const int64_t drift =
            std::llabs(other.sport_event_date->ms - event->sport_event_date->ms - offset);
        if (drift > options.max_drift_ms) continue;
        const double names = (alike(home_alike, home, *other.team_h_name) +
                              alike(guest_alike, guest, *other.team_g_name)) /
                             2.0;
        const double score =
            names - 0.05 * static_cast<double>(drift) /
                        static_cast<double>(std::max<int64_t>(options.max_drift_ms, 1));
        scored.push_back({{r, std::clamp(score, 0.0, 1.0)}, drift});
    }
    std::stable_sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) {
        if (a.candidate.score != b.candidate.score) return a.candidate.score > b.candidate.score;
        return a.drift < b.drift;
    });
    std::vector<LinkCandidate> best;
    for (size_t i = 0; i < scored.size() && i < query.count; ++i)
        best.push_back(scored[i].candidate);
    return best;
}

}  // namespace lintaro::compare
