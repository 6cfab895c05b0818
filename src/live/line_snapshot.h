// A compact copy of one read of the line: each event's identity and its thirteen decimals (the
// prices and the handicap and total values), without the event sheets and the rest of the row.
// It is what the window keeps of the previous refresh to show what moved since, and it costs well
// under half of the odds table it was taken from.
//
//   auto current = std::make_shared<LineSnapshot>(table.Rows());
//   LineMovement movement(previous, current);  // see line_movement.h
//   previous = current;                         // once the refresh has succeeded
//
// Rows with the same identity (a bookmaker listing one match twice) are one event of several rows
// here; such an event is never matched across reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "live/event_identity.h"
#include "table/odds_table.h"

namespace lintaro::live {

// The table fields a movement is about: the thirteen decimals P1, X, P2, PX1, P2X, P12, F1, VF1,
// F2, VF2, TM, TB and VT, which are kOddsFields[5] up to kOddsFields[17].
inline constexpr int kFirstPriceField = 5;
inline constexpr int kPriceFieldCount = 13;
inline constexpr bool IsPriceField(int field_index) {
    return field_index >= kFirstPriceField && field_index < kFirstPriceField + kPriceFieldCount;
}

class LineSnapshot {
  public:
    static constexpr size_t kNotFound = static_cast<size_t>(-1);

    LineSnapshot() = default;  // a line without events
    // Takes the identities and decimals of `rows` (the table's rows after a read). Events are
    // numbered from 0 in the order their first row comes in `rows`.
    explicit LineSnapshot(const std::vector<table::OddsRecord>& rows);

    size_t EventCount() const { return events_.size(); }
    size_t RowCount() const { return row_count_; }

    // The event `row` belongs to (by identity), or kNotFound.
    size_t Find(const table::OddsRecord& row) const;
    // The event of this line with the identity of `other`'s event `other_event`, or kNotFound.
    size_t FindSame(const LineSnapshot& other, size_t other_event) const;
    // True when this line's `event` has the identity of `other`'s `other_event`.
    bool IsSame(size_t event, const LineSnapshot& other, size_t other_event) const;

    // How many rows of the read the event had, and how many of them the user has deleted since.
    int RowsOf(size_t event) const { return static_cast<int>(events_[event].rows); }
    int DeletedRowsOf(size_t event) const { return static_cast<int>(events_[event].deleted); }
    // Decimal field `field_index` (IsPriceField) of the event's first row.
    std::optional<table::Decimal> Value(size_t event, int field_index) const;
    // All thirteen at once, P1 first.
    std::array<std::optional<table::Decimal>, kPriceFieldCount> Values(size_t event) const;
    EventIdentity IdentityOf(size_t event) const;

    // The user deleted `row` from the line on screen: when this snapshot is the previous line,
    // the row is not counted among the events gone. False when the line has no such row left.
    bool MarkDeleted(const table::OddsRecord& row);

    // The memory this snapshot holds, in bytes.
    size_t MemoryBytes() const;

  private:
    // A text in pool_; a null text has kNullText as its length.
    struct TextRef {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    static constexpr uint32_t kNullText = 0xFFFFFFFF;
    // A decimal beyond int32 (never a real price) is kept in wide_values_, and null is its own
    // code, so the common case takes four bytes.
    static constexpr int32_t kNullValue = INT32_MIN;
    static constexpr int32_t kWideValue = INT32_MIN + 1;

    struct Event {
        uint64_t hash = 0;
        int64_t start_ms = 0;
        TextRef sport, tournament, home, guest;
        int32_t values[kPriceFieldCount] = {};
        uint32_t rows = 0;
        uint32_t deleted = 0;
        bool has_start = false;
    };

    std::optional<std::string_view> Text(TextRef ref) const;
    TextRef Store(const std::optional<std::string>& text);
    bool SameIdentity(const Event& event, const table::OddsRecord& row) const;
    bool SameIdentity(const Event& event, const LineSnapshot& other, const Event& theirs) const;
    template <typename Matches>
    size_t Probe(uint64_t hash, Matches matches) const;

    std::vector<Event> events_;
    // Open addressing over events_: index + 1 (0 for a free slot) and the top half of the event's
    // hash, so that a probe reads an event only when its hash agrees that far.
    struct Slot {
        uint32_t index = 0;
        uint32_t tag = 0;
    };
    std::vector<Slot> slots_;
    std::string pool_;                                   // the texts, one after another
    std::unordered_map<uint64_t, int64_t> wide_values_;  // event * 13 + field -> scaled value
    size_t row_count_ = 0;
};

}  // namespace lintaro::live
