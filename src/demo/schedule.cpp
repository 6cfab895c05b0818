// Drawing the demo line's events.
#include "demo/schedule.h"

namespace lintaro::demo {

size_t PickByWeight(const std::vector<int>& weights, Rng& rng) {
    int weight_sum = 0;
    for (int w : weights) weight_sum += w;
    int ticket = rng.Between(0, weight_sum - 1);
    size_t t = 0;
    while (ticket >= weights[t]) ticket -= weights[t++];
    return t;
}

std::vector<int> Spread(int total, const std::vector<int>& weights, Rng& rng) {
    std::vector<int> counts(weights.size(), 0);
    for (int i = 0; i < total; ++i) ++counts[PickByWeight(weights, rng)];
    return counts;
}

std::vector<DrawnEvent> DrawEvents(int count, int team_count, int kickoff_count, Rng& rng) {
    std::vector<DrawnEvent> events(count);
    for (DrawnEvent& e : events) {
        e.day_offset = rng.Between(0, 27);
        e.kickoff = rng.Between(0, kickoff_count - 1);
        e.home = rng.Between(0, team_count - 1);
        e.guest = (e.home + rng.Between(1, team_count - 1)) % team_count;
    }
    std::stable_sort(events.begin(), events.end(), StartsBefore);
    return events;
}

DrawnEvent DrawNewEvent(int team_count, int kickoff_count, Rng& rng) {
    DrawnEvent event;
    event.day_offset = rng.Between(kNewEventFirstDay, kNewEventLastDay);
    event.kickoff = rng.Between(0, kickoff_count - 1);
    event.home = rng.Between(0, team_count - 1);
    event.guest = (event.home + rng.Between(1, team_count - 1)) % team_count;
    return event;
}

}  // namespace lintaro::demo
