// Drawing the demo line's events.
#include "demo/schedule.h"

#include <functional>
#include <optional>
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

constexpr int kMaxPutOffMinutes = 1440;

// The first kick-off of the line (days 0..27) at or after `minute`, if the line reaches one.
std::optional<DrawnEvent> FirstSlotFrom(int minute, const std::vector<int>& kickoff_minutes) {
    for (int day = std::max(0, minute / 1440); day <= 27; ++day) {
        std::optional<DrawnEvent> first;
        for (size_t k = 0; k < kickoff_minutes.size(); ++k) {
            const int start = day * 1440 + kickoff_minutes[k];
            if (start < minute) continue;
            if (!first ||
                kickoff_minutes[k] < kickoff_minutes[static_cast<size_t>(first->kickoff)]) {
                first = DrawnEvent{};
                first->day_offset = day;
                first->kickoff = static_cast<int>(k);
            }
        }
        if (first) return first;
    }
    return std::nullopt;
}

}  // namespace

std::vector<DrawnEvent> DrawEvents(int count, int& team_count,
                                   const std::vector<int>& kickoff_minutes, Rng& rng) {
    std::vector<DrawnEvent> events(static_cast<size_t>(count));
    for (DrawnEvent& e : events) {
        e.day_offset = rng.Between(0, 27);
        e.kickoff = rng.Between(0, static_cast<int>(kickoff_minutes.size()) - 1);
    }
    const auto start_of = [&](const DrawnEvent& e) {
        return e.day_offset * 1440 + kickoff_minutes[static_cast<size_t>(e.kickoff)];
    };
    // Teams are given in the order of the starts (a list's kick-offs need not be in the order of
    // the clock), each event's two from the teams rested since their last event. An event that
    // finds fewer than two is put off to the first kick-off at which two are rested, by at most
    // a day from its drawn start (further, events would pile up at the line's end); else the
    // roster gets built teams.
    using Waiting = std::pair<int, size_t>;  // the start, the event
    std::priority_queue<Waiting, std::vector<Waiting>, std::greater<>> waiting;
    for (size_t i = 0; i < events.size(); ++i) waiting.push({start_of(events[i]), i});
    const std::vector<DrawnEvent> drawn = events;
    std::vector<int> rested;
    for (int team = 0; team < team_count; ++team) rested.push_back(team);
    using Release = std::pair<int, int>;  // the minute a team may play again, the team
    std::priority_queue<Release, std::vector<Release>, std::greater<>> resting;
    while (!waiting.empty()) {
        const auto [start, i] = waiting.top();
        waiting.pop();
        DrawnEvent& e = events[i];
        for (; !resting.empty() && resting.top().first <= start; resting.pop()) {
            rested.push_back(resting.top().second);
        }
        if (rested.size() < 2 && resting.size() >= 2 - rested.size()) {
            // The minute the second of the two teams is rested.
            Release first = resting.top();
            int ready = first.first;
            if (rested.empty()) {
                resting.pop();
                ready = resting.top().first;
                resting.push(first);
            }
            const std::optional<DrawnEvent> later = FirstSlotFrom(ready, kickoff_minutes);
            if (later && start_of(*later) - start_of(drawn[i]) <= kMaxPutOffMinutes) {
                e.day_offset = later->day_offset;
                e.kickoff = later->kickoff;
                waiting.push({start_of(e), i});
                continue;
            }
        }
        while (rested.size() < 2) rested.push_back(team_count++);
        e.home = TakeTeam(rested, rng);
        e.guest = TakeTeam(rested, rng);
        resting.push({start + kTeamRestMinutes, e.home});
        resting.push({start + kTeamRestMinutes, e.guest});
    }
    std::stable_sort(events.begin(), events.end(), StartsBefore);
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
