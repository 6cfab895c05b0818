// The snapshot's storage: a flat array of events, an open-addressing index over their identity
// hashes, and one pool of texts, in which consecutive rows of one sport or tournament share their
// text.
#include "live/line_snapshot.h"

#include <bit>
#include <cstring>

namespace lintaro::live {

using table::DateTime;
using table::Decimal;
using table::OddsRecord;

namespace {

std::optional<std::string_view> View(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return std::string_view(*text);
}

using DecimalField = std::optional<Decimal> OddsRecord::*;
constexpr DecimalField kDecimalFields[kPriceFieldCount] = {
    &OddsRecord::P1,  &OddsRecord::X,  &OddsRecord::P2,  &OddsRecord::PX1, &OddsRecord::P2X,
    &OddsRecord::P12, &OddsRecord::F1, &OddsRecord::VF1, &OddsRecord::F2,  &OddsRecord::VF2,
    &OddsRecord::TM,  &OddsRecord::TB, &OddsRecord::VT,
};

}  // namespace

LineSnapshot::LineSnapshot(const std::vector<OddsRecord>& rows) : row_count_(rows.size()) {
    events_.reserve(rows.size());
    slots_.assign(std::bit_ceil(std::max<size_t>(16, rows.size() * 2)), Slot{});
    pool_.reserve(rows.size() * 24);
    // The sport and tournament of the event before: a line lists its events by tournament, so
    // most rows share them with the row before.
    const std::string* last_sport = nullptr;
    const std::string* last_tournament = nullptr;
    TextRef sport_ref, tournament_ref;
    const OddsRecord* last_head = nullptr;  // the row whose sport and tournament head_hash is of
    uint64_t head_hash = 0;
    for (const OddsRecord& row : rows) {
        if (!last_head || row.sport_type_name != last_head->sport_type_name ||
            row.competition_name != last_head->competition_name) {
            head_hash = IdentityHashHead(View(row.sport_type_name), View(row.competition_name));
            last_head = &row;
        }
        const uint64_t hash = IdentityHashRest(head_hash, row.sport_event_date,
                                               View(row.team_h_name), View(row.team_g_name));
        const size_t found =
            Probe(hash, [&](const Event& event) { return SameIdentity(event, row); });
        if (found != kNotFound) {
            ++events_[found].rows;  // the same event listed again: never matched across reads
            continue;
        }
        Event& event = events_.emplace_back();
        event.hash = hash;
        event.rows = 1;
        event.has_start = row.sport_event_date.has_value();
        event.start_ms = event.has_start ? row.sport_event_date->ms : 0;
        if (!last_sport || !row.sport_type_name || *row.sport_type_name != *last_sport) {
            sport_ref = Store(row.sport_type_name);
            last_sport = row.sport_type_name ? &*row.sport_type_name : nullptr;
        }
        if (!last_tournament || !row.competition_name ||
            *row.competition_name != *last_tournament) {
            tournament_ref = Store(row.competition_name);
            last_tournament = row.competition_name ? &*row.competition_name : nullptr;
        }
        event.sport = sport_ref;
        event.tournament = tournament_ref;
        event.home = Store(row.team_h_name);
        event.guest = Store(row.team_g_name);
        const size_t index = events_.size() - 1;
        for (int f = 0; f < kPriceFieldCount; ++f) {
            const std::optional<Decimal>& value = row.*kDecimalFields[f];
            int32_t& code = event.values[f];
            if (!value) {
                code = kNullValue;
            } else if (value->scaled > kWideValue && value->scaled <= INT32_MAX) {
                code = static_cast<int32_t>(value->scaled);
            } else {
                code = kWideValue;
                wide_values_[index * kPriceFieldCount + f] = value->scaled;
            }
        }
        size_t slot = hash & (slots_.size() - 1);
        while (slots_[slot].index != 0) slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = Slot{static_cast<uint32_t>(index + 1), static_cast<uint32_t>(hash >> 32)};
    }
    events_.shrink_to_fit();
    pool_.shrink_to_fit();
}

LineSnapshot::TextRef LineSnapshot::Store(const std::optional<std::string>& text) {
    if (!text) return TextRef{0, kNullText};
    const TextRef ref{static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(text->size())};
    pool_ += *text;
    return ref;
}

std::optional<std::string_view> LineSnapshot::Text(TextRef ref) const {
    if (ref.length == kNullText) return std::nullopt;
    return std::string_view(pool_).substr(ref.offset, ref.length);
}

bool LineSnapshot::SameIdentity(const Event& event, const OddsRecord& row) const {
    const std::optional<DateTime> start =
        event.has_start ? std::optional<DateTime>(DateTime{event.start_ms}) : std::nullopt;
    return start == row.sport_event_date && Text(event.home) == View(row.team_h_name) &&
           Text(event.guest) == View(row.team_g_name) &&
           Text(event.tournament) == View(row.competition_name) &&
           Text(event.sport) == View(row.sport_type_name);
}

bool LineSnapshot::SameIdentity(const Event& event, const LineSnapshot& other,
                                const Event& theirs) const {
    return event.has_start == theirs.has_start &&
           (!event.has_start || event.start_ms == theirs.start_ms) &&
           Text(event.home) == other.Text(theirs.home) &&
           Text(event.guest) == other.Text(theirs.guest) &&
           Text(event.tournament) == other.Text(theirs.tournament) &&
           Text(event.sport) == other.Text(theirs.sport);
}

template <typename Matches>
size_t LineSnapshot::Probe(uint64_t hash, Matches matches) const {
    if (slots_.empty()) return kNotFound;
    const auto tag = static_cast<uint32_t>(hash >> 32);
    for (size_t slot = hash & (slots_.size() - 1); slots_[slot].index != 0;
         slot = (slot + 1) & (slots_.size() - 1)) {
        if (slots_[slot].tag != tag) continue;
        const Event& event = events_[slots_[slot].index - 1];
        if (event.hash == hash && matches(event)) return slots_[slot].index - 1;
    }
    return kNotFound;
}

size_t LineSnapshot::Find(const OddsRecord& row) const {
    return Probe(IdentityHash(row), [&](const Event& event) { return SameIdentity(event, row); });
}

size_t LineSnapshot::FindSame(const LineSnapshot& other, size_t other_event) const {
    const Event& theirs = other.events_[other_event];
    return Probe(theirs.hash,
                 [&](const Event& event) { return SameIdentity(event, other, theirs); });
}

bool LineSnapshot::IsSame(size_t event, const LineSnapshot& other, size_t other_event) const {
    const Event& theirs = other.events_[other_event];
    return events_[event].hash == theirs.hash && SameIdentity(events_[event], other, theirs);
}

std::optional<Decimal> LineSnapshot::Value(size_t event, int field_index) const {
    const int f = field_index - kFirstPriceField;
    const int32_t code = events_[event].values[f];
    if (code == kNullValue) return std::nullopt;
    if (code == kWideValue) return Decimal{wide_values_.at(event * kPriceFieldCount + f)};
    return Decimal{code};
}

std::array<std::optional<Decimal>, kPriceFieldCount> LineSnapshot::Values(size_t event) const {
    std::array<std::optional<Decimal>, kPriceFieldCount> values;
    const int32_t* codes = events_[event].values;
    for (int f = 0; f < kPriceFieldCount; ++f) {
        if (codes[f] == kWideValue) {
            values[f] = Decimal{wide_values_.at(event * kPriceFieldCount + f)};
        } else if (codes[f] != kNullValue) {
            values[f] = Decimal{codes[f]};
        }
    }
    return values;
}

EventIdentity LineSnapshot::IdentityOf(size_t event) const {
    const Event& e = events_[event];
    const auto owned = [&](TextRef ref) -> std::optional<std::string> {
        const auto text = Text(ref);
        if (!text) return std::nullopt;
        return std::string(*text);
    };
    EventIdentity identity;
    identity.sport = owned(e.sport);
    identity.tournament = owned(e.tournament);
    if (e.has_start) identity.start = DateTime{e.start_ms};
    identity.home = owned(e.home);
    identity.guest = owned(e.guest);
    return identity;
}

bool LineSnapshot::MarkDeleted(const OddsRecord& row) {
    const size_t event = Find(row);
    if (event == kNotFound || events_[event].deleted >= events_[event].rows) return false;
    ++events_[event].deleted;
    return true;
}

size_t LineSnapshot::MemoryBytes() const {
    // An unordered_map node holds the pair and a next pointer; the bucket array a pointer each.
    constexpr size_t kWideNode = sizeof(void*) + sizeof(std::pair<const uint64_t, int64_t>) + 8;
    return sizeof(*this) + events_.capacity() * sizeof(Event) + slots_.capacity() * sizeof(Slot) +
           pool_.capacity() + wide_values_.size() * kWideNode +
           wide_values_.bucket_count() * sizeof(void*);
}

}  // namespace lintaro::live
