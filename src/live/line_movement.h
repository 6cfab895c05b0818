// What moved between two reads of the line: for each event of the current read whether it is new,
// and for each of its prices and lines whether it went up or down since the previous read, with
// the value it had then ("было 1.85"); and how many events went. The line follower
// (line_follower.h) makes one for each read; the window marks its cells from it, and lintaro-cli
// watch prints its changes.
//
// Events are matched by identity (event_identity.h). An identity listed more than once in either
// read cannot be matched one to one, so its rows are kept and marked neither new nor moved. A
// handicap's or total's prices compare like with like only while their line stays: when VF1 or VF2
// changes, F1 and F2 are marked "line changed" instead of up or down (and TM and TB when VT
// changes), while the line values themselves are marked up or down. A price of at most 1.0 is no
// price (IsQuotedPrice) and compares as null.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "live/event_identity.h"
#include "live/line_snapshot.h"
#include "table/odds_table.h"

namespace lintaro::live {

// How one decimal field of a matched event changed.
enum class PriceMove : uint8_t {
    kUnchanged,    // the same value, or null both times
    kUp,           // the value rose
    kDown,         // the value fell
    kLineChanged,  // F1, F2, TM or TB whose handicap or total line changed: a price of another bet
    kQuoted,       // null before, a value now: nothing to compare with
    kWithdrawn,    // a value before, null now
};

enum class EventChange : uint8_t {
    kMatched,  // in both reads, once each
    kNew,      // not in the previous read
};

// How many of an event's thirteen decimals moved each way.
struct MoveTally {
    int up = 0;            // marked kUp (prices and lines)
    int down = 0;          // marked kDown
    int line_changed = 0;  // marked kLineChanged
};

// The marks of one event of the current read (a view into its LineMovement).
class EventMarks {
  public:
    EventChange Change() const { return change_; }
    // How field `field_index` (an index into kOddsFields) moved; kUnchanged for a field that is
    // not one of the thirteen decimals, and for every field of a new event.
    PriceMove Move(int field_index) const;
    // The field's value in the previous read, for kUp, kDown, kLineChanged and kWithdrawn;
    // nullopt otherwise.
    std::optional<table::Decimal> Previous(int field_index) const;
    // Its marks counted (nothing for a new event).
    MoveTally Tally() const;

  private:
    friend class LineMovement;
    EventChange change_ = EventChange::kMatched;
    const PriceMove* moves_ = nullptr;   // kPriceFieldCount, or nullptr for a new event
    const int64_t* previous_ = nullptr;  // kPriceFieldCount scaled values, kNoPrevious when none
};

// Totals of a comparison. Rows are counted, so an identity listed twice counts twice.
struct MovementCounts {
    size_t prices_moved = 0;      // P1 ... TB marked up, down or line changed
    size_t lines_moved = 0;       // VF1, VF2 and VT marked up or down
    size_t events_new = 0;        // rows of the current read not in the previous one
    size_t events_gone = 0;       // rows of the previous read not in the current one, except
                                  // those the user deleted (LineSnapshot::MarkDeleted)
    size_t events_ambiguous = 0;  // rows of the current read whose identity one of the reads
                                  // lists more than once: kept, never marked
    size_t events_matched = 0;    // rows matched one to one (moved or not)
};

class LineMovement {
  public:
    struct Options {
        bool keep_gone_identities = false;  // list the events gone (see Gone)
    };

    // No previous read: nothing is marked (the first read of a run looks as it always does).
    LineMovement() = default;
    // Compares `current` with `previous`. A null `previous` is "no previous read" (nothing is
    // marked); an empty one is a previous read without events (every event is new). Neither
    // snapshot is kept beyond the current one: the previous values the marks need are copied.
    LineMovement(const std::shared_ptr<const LineSnapshot>& previous,
                 std::shared_ptr<const LineSnapshot> current);
    LineMovement(const std::shared_ptr<const LineSnapshot>& previous,
                 std::shared_ptr<const LineSnapshot> current, Options options);

    // The marks of `row` of the current read, or nullopt when it shows none: matched and
    // unchanged, listed more than once, or not in the current read at all (a row the user added
    // does not exist; a row of another read does not match).
    std::optional<EventMarks> Find(const table::OddsRecord& row) const;
    // The same for event `event` of the current snapshot.
    std::optional<EventMarks> ForEvent(size_t event) const;

    const MovementCounts& Counts() const { return counts_; }
    // The events of the previous read that went (with keep_gone_identities), one per identity, in
    // the previous read's order; GoneRows gives how many rows each stood for.
    const std::vector<EventIdentity>& Gone() const { return gone_; }
    const std::vector<int>& GoneRows() const { return gone_rows_; }

    // False for the default LineMovement (no previous read).
    bool HasPrevious() const { return has_previous_; }

  private:
    static constexpr uint32_t kUnmarked = 0xFFFFFFFF;
    struct Marked {
        EventChange change = EventChange::kMatched;
        uint32_t moves = kUnmarked;  // index into moves_ and previous_ of the event's 13 fields
    };
    void Compare(const LineSnapshot& previous, const LineSnapshot& current, Options options);

    std::shared_ptr<const LineSnapshot> current_;
    std::vector<uint32_t> marked_of_event_;  // current event -> index into marked_, or kUnmarked
    std::vector<Marked> marked_;
    std::vector<PriceMove> moves_;
    std::vector<int64_t> previous_;
    MovementCounts counts_;
    std::vector<EventIdentity> gone_;
    std::vector<int> gone_rows_;
    bool has_previous_ = false;
};

}  // namespace lintaro::live
