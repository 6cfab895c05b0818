// Event identities and their hash.
#include "live/event_identity.h"

#include <functional>

namespace lintaro::live {

using table::OddsRecord;

namespace {

// splitmix64's finaliser: spreads every input bit over the whole word.
uint64_t Mix(uint64_t value) {
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// Folds one part into the hash; a null part differs from every text, the empty one included.
uint64_t Fold(uint64_t hash, const std::optional<std::string_view>& text) {
    const uint64_t part = text ? std::hash<std::string_view>{}(*text) : 0x6E756C6C6E756C6Cull;
    return Mix(hash ^ part) + 0x9E3779B97F4A7C15ull;
}

std::optional<std::string_view> View(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return std::string_view(*text);
}

}  // namespace

EventIdentity EventIdentity::Of(const OddsRecord& row) {
    return EventIdentity{row.sport_type_name, row.competition_name, row.sport_event_date,
                         row.team_h_name, row.team_g_name};
}

bool EventIdentity::Matches(const OddsRecord& row) const {
    return sport == row.sport_type_name && tournament == row.competition_name &&
           start == row.sport_event_date && home == row.team_h_name && guest == row.team_g_name;
}

bool SameIdentity(const OddsRecord& a, const OddsRecord& b) {
    return a.sport_type_name == b.sport_type_name && a.competition_name == b.competition_name &&
           a.sport_event_date == b.sport_event_date && a.team_h_name == b.team_h_name &&
           a.team_g_name == b.team_g_name;
}

uint64_t IdentityHashHead(const std::optional<std::string_view>& sport,
                          const std::optional<std::string_view>& tournament) {
    return Fold(Fold(0, sport), tournament);
}

uint64_t IdentityHashRest(uint64_t head, const std::optional<table::DateTime>& start,
                          const std::optional<std::string_view>& home,
                          const std::optional<std::string_view>& guest) {
    uint64_t hash = Mix(head ^ (start ? static_cast<uint64_t>(start->ms) : 0x8000000000000001ull)) +
                    (start ? 1 : 2);
    hash = Fold(hash, home);
    return Fold(hash, guest);
}

uint64_t IdentityHash(const std::optional<std::string_view>& sport,
                      const std::optional<std::string_view>& tournament,
                      const std::optional<table::DateTime>& start,
                      const std::optional<std::string_view>& home,
                      const std::optional<std::string_view>& guest) {
    return IdentityHashRest(IdentityHashHead(sport, tournament), start, home, guest);
}

uint64_t IdentityHash(const OddsRecord& row) {
    return IdentityHash(View(row.sport_type_name), View(row.competition_name), row.sport_event_date,
                        View(row.team_h_name), View(row.team_g_name));
}

}  // namespace lintaro::live
