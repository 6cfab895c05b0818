// An event's identity from one read of the line to the next: its sport, tournament, start and both
// teams. Key_ID is only the order a reader met the events in, so it identifies nothing across
// reads; an event whose start moves is, to the line, another event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "table/odds_table.h"

namespace lintaro::live {

// The identity of one row, owning its texts (Windows-1251 bytes as the table holds them). A null
// field is a value of its own, unequal to the empty text.
struct EventIdentity {
    std::optional<std::string> sport;
    std::optional<std::string> tournament;
    std::optional<table::DateTime> start;
    std::optional<std::string> home;
    std::optional<std::string> guest;

    static EventIdentity Of(const table::OddsRecord& row);
    // True when `row` is this event.
    bool Matches(const table::OddsRecord& row) const;
    friend bool operator==(const EventIdentity&, const EventIdentity&) = default;
};

// True when two rows are the same event, without copying either identity.
bool SameIdentity(const table::OddsRecord& a, const table::OddsRecord& b);

// A 64-bit hash of a row's identity: equal identities hash equal; unequal ones almost never do,
// and every lookup that uses it confirms the identity itself.
uint64_t IdentityHash(const table::OddsRecord& row);

// The same from the identity's parts (what IdentityHash reads from a row).
uint64_t IdentityHash(const std::optional<std::string_view>& sport,
                      const std::optional<std::string_view>& tournament,
                      const std::optional<table::DateTime>& start,
                      const std::optional<std::string_view>& home,
                      const std::optional<std::string_view>& guest);

// The same in two steps, for rows that share their sport and tournament (a read lists its events
// by tournament): IdentityHash(...) is IdentityHashRest(IdentityHashHead(sport, tournament),
// start, home, guest).
uint64_t IdentityHashHead(const std::optional<std::string_view>& sport,
                          const std::optional<std::string_view>& tournament);
uint64_t IdentityHashRest(uint64_t head, const std::optional<table::DateTime>& start,
                          const std::optional<std::string_view>& home,
                          const std::optional<std::string_view>& guest);

}  // namespace lintaro::live
