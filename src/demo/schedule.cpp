// Drawing the demo line's events.
#include "demo/schedule.h"

#include <functional>
#include <queue>

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

bool TeamCalendar::Free(int team, int start) const {
    if (team >= TeamCount()) return true;
    const std::vector<int>& starts = starts_[static_cast<size_t>(team)];
    const auto next = std::lower_bound(starts.begin(), starts.end(), start - kTeamRestMinutes + 1);
    return next == starts.end() || *next >= start + kTeamRestMinutes;
}

void TeamCalendar::Add(int team, int start) {
    if (team >= TeamCount()) starts_.resize(static_cast<size_t>(team) + 1);
    std::vector<int>& starts = starts_[static_cast<size_t>(team)];
    starts.insert(std::upper_bound(starts.begin(), starts.end(), start), start);
}

std::vector<int> TeamCalendar::FreeTeams(int start) const {
    std::vector<int> free;
    for (int team = 0; team < TeamCount(); ++team) {
        if (Free(team, start)) free.push_back(team);
    }
    return free;
}

namespace {

// Takes one of `teams` at random out of the list.
int TakeTeam(std::vector<int>& teams, Rng& rng) {
    const size_t at = rng.Next() % teams.size();
    const int team = teams[at];
    teams[at] = teams.back();
    teams.pop_back();
    return team;
}

}  // namespace

std::vector<DrawnEvent> DrawEvents(int count, int& team_count,
                                   const std::vector<int>& kickoff_minutes, Rng& rng) {
    std::vector<DrawnEvent> events(static_cast<size_t>(count));
    for (DrawnEvent& e : events) {
        e.day_offset = rng.Between(0, 27);
        e.kickoff = rng.Between(0, static_cast<int>(kickoff_minutes.size()) - 1);
    }
    std::stable_sort(events.begin(), events.end(), StartsBefore);
    // Teams are given in the order of the starts (a list's kick-offs need not be in the order of
    // the clock), each event's two from the teams rested since their last event.
    const auto start_of = [&](const DrawnEvent& e) {
        return e.day_offset * 1440 + kickoff_minutes[static_cast<size_t>(e.kickoff)];
    };
    std::vector<size_t> order(events.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return start_of(events[a]) < start_of(events[b]); });
    std::vector<int> rested;
    for (int team = 0; team < team_count; ++team) rested.push_back(team);
    using Release = std::pair<int, int>;  // the minute a team may play again, the team
    std::priority_queue<Release, std::vector<Release>, std::greater<>> resting;
    for (const size_t i : order) {
        DrawnEvent& e = events[i];
        const int start = start_of(e);
        for (; !resting.empty() && resting.top().first <= start; resting.pop()) {
            rested.push_back(resting.top().second);
        }
        while (rested.size() < 2) rested.push_back(team_count++);
        e.home = TakeTeam(rested, rng);
        e.guest = TakeTeam(rested, rng);
        resting.push({start + kTeamRestMinutes, e.home});
        resting.push({start + kTeamRestMinutes, e.guest});
    }
    return events;
}

DrawnEvent DrawNewEvent(TeamCalendar& calendar, const std::vector<int>& kickoff_minutes, Rng& rng) {
    const int kickoffs = static_cast<int>(kickoff_minutes.size());
    const int slots = (kNewEventLastDay - kNewEventFirstDay + 1) * kickoffs;
    const auto start_of = [&](int slot) {
        return (kNewEventFirstDay + slot / kickoffs) * 1440 +
               kickoff_minutes[static_cast<size_t>(slot % kickoffs)];
    };
    const int drawn = rng.Between(0, slots - 1);
    int slot = drawn;
    std::vector<int> free = calendar.FreeTeams(start_of(slot));
    for (int tried = 1; tried < slots && free.size() < 2; ++tried) {
        slot = (drawn + tried) % slots;
        free = calendar.FreeTeams(start_of(slot));
    }
    if (free.size() < 2) {
        slot = drawn;
        free = calendar.FreeTeams(start_of(slot));
        for (int built = calendar.TeamCount(); free.size() < 2; ++built) free.push_back(built);
    }
    DrawnEvent event;
    event.day_offset = kNewEventFirstDay + slot / kickoffs;
    event.kickoff = slot % kickoffs;
    event.home = TakeTeam(free, rng);
    event.guest = TakeTeam(free, rng);
    return event;
}

}  // namespace lintaro::demo
