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

// The shortest time between two events of one team, in minutes: no team plays twice within a
// day. A roster too small to keep it for the events asked for is lengthened with built teams
// (indexes past the roster's end; the rosters name them).
constexpr int kTeamRestMinutes = 1440;

// Each team's starts in one tournament (minutes after today's midnight), to find who is free.
class TeamCalendar {
  public:
    explicit TeamCalendar(int team_count) : starts_(static_cast<size_t>(team_count)) {}
    int TeamCount() const { return static_cast<int>(starts_.size()); }
    // No start of `team` less than kTeamRestMinutes before or after `start`.
    bool Free(int team, int start) const;
    void Add(int team, int start);  // lengthens the roster to hold `team`
    // The teams free at `start`, by index.
    std::vector<int> FreeTeams(int start) const;

  private:
    std::vector<std::vector<int>> starts_;  // each team's, ascending
};

// `count` events of a tournament with `team_count` teams over the four weeks of the line at the
// kick-off times `kickoff_minutes` (minutes after midnight), listed by start. No team plays twice
// within kTeamRestMinutes; the roster is lengthened (`team_count` grows) when it cannot hold them.
std::vector<DrawnEvent> DrawEvents(int count, int& team_count,
                                   const std::vector<int>& kickoff_minutes, Rng& rng);

// A new event a few weeks ahead (days kNewEventFirstDay..kNewEventLastDay), between two teams
// free at its start: the slot drawn, else the next one in the window where two teams are free,
// else the slot drawn with a built team added to the roster.
DrawnEvent DrawNewEvent(TeamCalendar& calendar, const std::vector<int>& kickoff_minutes, Rng& rng);

// One generation's turnover of events: the earliest few start and leave the line, and a few new
// ones arrive (one up to about one in fifty of `drawn_size` each, the arrivals pulled towards the
// drawn size so the line neither fills up nor empties). `lists` are the event lists that move,
// each listed by start; `start_of(list, event)` is an event's start in minutes after today's
// midnight; `roster_size(list)` the number of teams of a list's roster; `draw_arrival(rng,
// calendars)` draws a new event with teams free in `calendars[list]` (the calendars of the events
// that stay and of the arrivals drawn before) and returns the index of the list it joins with it.
// A new event never repeats an identity on the line: its teams are free at its start.
template <typename Event, typename StartOf, typename RosterSize, typename DrawArrival>
void TurnOver(const std::vector<std::vector<Event>*>& lists, int drawn_size, StartOf start_of,
              RosterSize roster_size, DrawArrival draw_arrival, Rng& rng) {
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
    std::vector<TeamCalendar> calendars;
    for (uint32_t l = 0; l < lists.size(); ++l) {
        TeamCalendar& calendar = calendars.emplace_back(roster_size(l));
        for (const Event& event : *lists[l]) {
            calendar.Add(event.drawn.home, start_of(l, event));
            calendar.Add(event.drawn.guest, start_of(l, event));
        }
    }
    std::vector<std::vector<Event>> arrivals(lists.size());
    for (int k = 0; k < arriving; ++k) {
        auto [list, event] = draw_arrival(rng, calendars);
        const int start = start_of(static_cast<uint32_t>(list), event);
        calendars[list].Add(event.drawn.home, start);
        calendars[list].Add(event.drawn.guest, start);
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
