// Comparing two reads: one pass over the current events, each looked up in the previous read by
// identity, then one pass over the previous events for those that went.
#include "live/line_movement.h"

#include <limits>

namespace lintaro::live {

using table::Decimal;

namespace {

constexpr int64_t kNoPrevious = std::numeric_limits<int64_t>::min();

// Positions within the thirteen decimals (field index - kFirstPriceField).
constexpr int kF1 = 6, kVF1 = 7, kF2 = 8, kVF2 = 9, kTM = 10, kTB = 11, kVT = 12;

bool IsLineValue(int f) { return f == kVF1 || f == kVF2 || f == kVT; }

// A price of at most 1.0 is no price (the tennis draw is stored as 0): it moves as null does.
std::optional<Decimal> Shown(int f, const std::optional<Decimal>& value) {
    if (IsLineValue(f) || table::IsQuotedPrice(value)) return value;
    return std::nullopt;
}

}  // namespace

PriceMove EventMarks::Move(int field_index) const {
    if (!moves_ || !IsPriceField(field_index)) return PriceMove::kUnchanged;
    return moves_[field_index - kFirstPriceField];
}

std::optional<Decimal> EventMarks::Previous(int field_index) const {
    if (!previous_ || !IsPriceField(field_index)) return std::nullopt;
    const int64_t value = previous_[field_index - kFirstPriceField];
    if (value == kNoPrevious) return std::nullopt;
    return Decimal{value};
}

MoveTally EventMarks::Tally() const {
    MoveTally tally;
    if (!moves_) return tally;
    for (int f = 0; f < kPriceFieldCount; ++f) {
        switch (moves_[f]) {
            case PriceMove::kUp:
                ++tally.up;
                break;
            case PriceMove::kDown:
                ++tally.down;
                break;
            case PriceMove::kLineChanged:
                ++tally.line_changed;
                break;
            default:
                break;
        }
    }
    return tally;
}

LineMovement::LineMovement(const std::shared_ptr<const LineSnapshot>& previous,
                           std::shared_ptr<const LineSnapshot> current)
    : LineMovement(previous, std::move(current), Options{}) {}

LineMovement::LineMovement(const std::shared_ptr<const LineSnapshot>& previous,
                           std::shared_ptr<const LineSnapshot> current, Options options)
    : current_(std::move(current)) {
    if (!previous || !current_) return;
    has_previous_ = true;
    Compare(*previous, *current_, options);
}

void LineMovement::Compare(const LineSnapshot& previous, const LineSnapshot& current,
                           Options options) {
    marked_of_event_.assign(current.EventCount(), kUnmarked);
    std::vector<bool> seen(previous.EventCount(), false);
    std::array<PriceMove, kPriceFieldCount> moves;
    std::array<int64_t, kPriceFieldCount> before;
    // Reads list their events in much the same order, so the event after the last one matched is
    // tried first: most events are found without a lookup, walking both reads in step.
    size_t next_guess = 0;
    for (size_t event = 0; event < current.EventCount(); ++event) {
        const size_t rows = static_cast<size_t>(current.RowsOf(event));
        const size_t match =
            next_guess < previous.EventCount() && previous.IsSame(next_guess, current, event)
                ? next_guess
                : previous.FindSame(current, event);
        if (match != LineSnapshot::kNotFound) next_guess = match + 1;
        if (match == LineSnapshot::kNotFound) {
            counts_.events_new += rows;
            marked_of_event_[event] = static_cast<uint32_t>(marked_.size());
            marked_.push_back(Marked{EventChange::kNew, kUnmarked});
            continue;
        }
        seen[match] = true;
        if (rows != 1 || previous.RowsOf(match) != 1) {
            counts_.events_ambiguous += rows;
            continue;
        }
        ++counts_.events_matched;
        const auto old_values = previous.Values(match);
        const auto new_values = current.Values(event);
        const bool handicap_moved =
            old_values[kVF1] != new_values[kVF1] || old_values[kVF2] != new_values[kVF2];
        const bool total_moved = old_values[kVT] != new_values[kVT];
        bool any = false;
        for (int f = 0; f < kPriceFieldCount; ++f) {
            const std::optional<Decimal> old_value = Shown(f, old_values[f]);
            const std::optional<Decimal> new_value = Shown(f, new_values[f]);
            PriceMove move = PriceMove::kUnchanged;
            if (!old_value && !new_value) {
                move = PriceMove::kUnchanged;
            } else if (!new_value) {
                move = PriceMove::kWithdrawn;
            } else if (!old_value) {
                move = PriceMove::kQuoted;
            } else if (((f == kF1 || f == kF2) && handicap_moved) ||
                       ((f == kTM || f == kTB) && total_moved)) {
                move = PriceMove::kLineChanged;
            } else if (new_value->scaled > old_value->scaled) {
                move = PriceMove::kUp;
            } else if (new_value->scaled < old_value->scaled) {
                move = PriceMove::kDown;
            }
            moves[f] = move;
            const bool keeps_previous = move != PriceMove::kUnchanged && move != PriceMove::kQuoted;
            before[f] = keeps_previous ? old_value->scaled : kNoPrevious;
            any |= move != PriceMove::kUnchanged;
            if (move == PriceMove::kUp || move == PriceMove::kDown ||
                move == PriceMove::kLineChanged) {
                ++(IsLineValue(f) ? counts_.lines_moved : counts_.prices_moved);
            }
        }
        if (!any) continue;
        marked_of_event_[event] = static_cast<uint32_t>(marked_.size());
        marked_.push_back(Marked{EventChange::kMatched, static_cast<uint32_t>(moves_.size())});
        moves_.insert(moves_.end(), moves.begin(), moves.end());
        previous_.insert(previous_.end(), before.begin(), before.end());
    }
    for (size_t event = 0; event < previous.EventCount(); ++event) {
        if (seen[event]) continue;
        const int rows = previous.RowsOf(event) - previous.DeletedRowsOf(event);
        counts_.events_gone += static_cast<size_t>(rows);
        if (options.keep_gone_identities && rows > 0) {
            gone_.push_back(previous.IdentityOf(event));
            gone_rows_.push_back(rows);
        }
    }
}

std::optional<EventMarks> LineMovement::ForEvent(size_t event) const {
    if (event >= marked_of_event_.size() || marked_of_event_[event] == kUnmarked) {
        return std::nullopt;
    }
    const Marked& marked = marked_[marked_of_event_[event]];
    EventMarks marks;
    marks.change_ = marked.change;
    if (marked.moves != kUnmarked) {
        marks.moves_ = moves_.data() + marked.moves;
        marks.previous_ = previous_.data() + marked.moves;
    }
    return marks;
}

std::optional<EventMarks> LineMovement::Find(const table::OddsRecord& row) const {
    if (!current_) return std::nullopt;
    const size_t event = current_->Find(row);
    if (event == LineSnapshot::kNotFound) return std::nullopt;
    return ForEvent(event);
}

}  // namespace lintaro::live
