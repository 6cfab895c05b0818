// When the demo line's events are played and who plays them: an event as drawn (day, kick-off,
// teams by roster index), the draw of a tournament's events, and one generation's turnover of a
// moving line (the earliest events start and leave, new ones arrive a few weeks ahead). Both
// bookmakers' lines use these; what a team or a kick-off is stays with each bookmaker's roster.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "demo/random_source.h"

namespace lintaro::demo {

// New events are announced this many days ahead (the line spans four weeks).
constexpr int kNewEventFirstDay = 21;
constexpr int kNewEventLastDay = 27;

// One event as drawn, before it is written in either bookmaker's format.
struct DrawnEvent {
    int day_offset = 0;
    int kickoff = 0;  // index into the tournament's kickoffs
    int home = 0;
    int guest = 0;
    bool blank_time = false;    // the time column is left blank: unreadable, no row
    bool invalid_date = false;  // dated 31/04: unreadable, no row
};

// Lists events by start, as a real line lists each tournament's events.
inline bool StartsBefore(const DrawnEvent& a, const DrawnEvent& b) {
    return a.day_offset != b.day_offset ? a.day_offset < b.day_offset : a.kickoff < b.kickoff;
}

// Draws a tournament in proportion to the weights.
size_t PickByWeight(const std::vector<int>& weights, Rng& rng);

// Splits `total` events over tournaments in proportion to their weights, randomly but exactly.
std::vector<int> Spread(int total, const std::vector<int>& weights, Rng& rng);

// `count` events of a tournament with `team_count` teams and `kickoff_count` kick-off times over
// the four weeks of the line, listed by start.
std::vector<DrawnEvent> DrawEvents(int count, int team_count, int kickoff_count, Rng& rng);

// A new event a few weeks ahead.
DrawnEvent DrawNewEvent(int team_count, int kickoff_count, Rng& rng);

// One generation's turnover of events: the earliest few start and leave the line, and a few new
// ones arrive (one up to about one in fifty of `drawn_size` each, the arrivals pulled towards the
// drawn size so the line neither fills up nor empties). `lists` are the event lists that move,
// each listed by start; `start_of(list, event)` is an event's start in minutes after today's
// midnight; `draw_arrival(rng)` draws a new event and the index of the list it joins.
template <typename Event, typename StartOf, typename DrawArrival>
void TurnOver(const std::vector<std::vector<Event>*>& lists, int drawn_size, StartOf start_of,
              DrawArrival draw_arrival, Rng& rng) {
    struct Start {
        int minute;
        uint32_t list;
        uint32_t index;
        auto operator<=>(const Start&) const = default;  // unique: the choice is deterministic
    };
    std::vector<Start> starts;
    for (uint32_t l = 0; l < lists.size(); ++l) {
        for (uint32_t i = 0; i < lists[l]->size(); ++i) {
            starts.push_back({start_of(l, (*lists[l])[i]), l, i});
        }
    }
    const int live = static_cast<int>(starts.size());
    const int few = std::max(1, drawn_size / 50);
    const int leaving = std::min(live, rng.Between(1, few));
    const int arriving = std::clamp(rng.Between(1, few) + (drawn_size - live) / 4, 0, 2 * few);
    std::nth_element(starts.begin(), starts.begin() + leaving, starts.end());
    for (int k = 0; k < leaving; ++k) (*lists[starts[k].list])[starts[k].index].gone = true;
    for (std::vector<Event>* list : lists) {
        std::erase_if(*list, [](const Event& event) { return event.gone; });
    }
    std::vector<std::vector<Event>> arrivals(lists.size());
    for (int k = 0; k < arriving; ++k) {
        auto [list, event] = draw_arrival(rng);
        arrivals[list].push_back(std::move(event));
    }
    // A new event goes after those that start no later, the arrivals in the order drawn.
    const auto by_start = [](const Event& a, const Event& b) {
        return StartsBefore(a.drawn, b.drawn);
    };
    for (size_t l = 0; l < lists.size(); ++l) {
        if (arrivals[l].empty()) continue;
        std::stable_sort(arrivals[l].begin(), arrivals[l].end(), by_start);
        std::vector<Event>& list = *lists[l];
        const auto middle = static_cast<ptrdiff_t>(list.size());
        std::move(arrivals[l].begin(), arrivals[l].end(), std::back_inserter(list));
        std::inplace_merge(list.begin(), list.begin() + middle, list.end(), by_start);
    }
}

}  // namespace lintaro::demo
