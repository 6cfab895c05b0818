// The merged line: each compared event as one row, its prices the better of two.
#include "compare/merged_line.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

#include "compare/sport_names.h"

namespace lintaro::compare {
namespace {

// The table field of each compared price field, in PriceField order.
const std::array<int, kPriceFieldCount>& PriceFieldIndexes() {
    static const std::array<int, kPriceFieldCount> indexes = [] {
        std::array<int, kPriceFieldCount> out{};
        for (int f = 0; f < kPriceFieldCount; ++f) {
            out[f] = table::FieldIndex(PriceFieldName(static_cast<PriceField>(f)));
        }
        return out;
    }();
    return indexes;
}

Holder HolderOf(Where where) {
    switch (where) {
        case Where::kFirst:
            return Holder::kFirst;
        case Where::kSecond:
            return Holder::kSecond;
        case Where::kBoth:
            return Holder::kBoth;
    }
    return Holder::kNone;
}

const BestPrice* FindBest(const EventComparison& comparison, PriceField field) {
    for (const BestPrice& best : comparison.best) {
        if (best.field == field) return &best;
    }
    return nullptr;
}

// A matched event's row: the first's row with the better prices put in. A handicap side or the
// total whose best prices stand at lines the row cannot show together keeps the first's own.
table::OddsRecord MergedRow(const table::OddsRecord& first, const EventComparison& comparison,
                            std::array<Holder, table::kOddsFieldCount>& holders) {
    table::OddsRecord row = first;
    const auto put = [&](PriceField field) {
        const BestPrice* best = FindBest(comparison, field);
        if (!best) return;
        PriceRef(row, field) = best->price;
        holders[PriceFieldIndexes()[static_cast<int>(field)]] = HolderOf(best->from);
    };
    for (const PriceField field : {PriceField::kP1, PriceField::kX, PriceField::kP2,
                                   PriceField::kPX1, PriceField::kP2X, PriceField::kP12}) {
        put(field);
    }
    if (const BestPrice* f1 = FindBest(comparison, PriceField::kF1)) {
        row.VF1 = f1->line;
        put(PriceField::kF1);
    }
    if (const BestPrice* f2 = FindBest(comparison, PriceField::kF2)) {
        row.VF2 = f2->line;
        put(PriceField::kF2);
    }
    const BestPrice* tm = FindBest(comparison, PriceField::kTM);
    const BestPrice* tb = FindBest(comparison, PriceField::kTB);
    if ((tm || tb) && (!tm || !tb || tm->line == tb->line)) {
        row.VT = tm ? tm->line : tb->line;
        // The total shown is at the best prices' line: a price of the first's at another line
        // would stand under the wrong total.
        if (!tm) row.TM.reset();
        if (!tb) row.TB.reset();
        put(PriceField::kTM);
        put(PriceField::kTB);
    }
    return row;
}

}  // namespace

std::optional<double> MergedEvent::BestSurebet() const {
    std::optional<double> best;
    for (const Surebet& surebet : comparison.surebets) {
        if (!best || surebet.profit > *best) best = surebet.profit;
    }
    return best;
}

const MergedEvent* MergedLine::Find(const table::OddsRecord& row) const {
    if (!row.Key_ID) return nullptr;
    const int64_t index = static_cast<int64_t>(*row.Key_ID) - 1;
    if (index < 0 || index >= static_cast<int64_t>(events.size())) return nullptr;
    return &events[static_cast<size_t>(index)];
}

const table::OddsRecord* MergedLine::FirstRow(const MergedEvent& event) const {
    return event.first >= 0 && event.first < static_cast<int>(first_rows.size())
               ? &first_rows[event.first]
               : nullptr;
}

const table::OddsRecord* MergedLine::SecondRow(const MergedEvent& event) const {
    return event.second >= 0 && event.second < static_cast<int>(second_rows.size())
               ? &second_rows[event.second]
               : nullptr;
}

MergedLine MergeLines(std::vector<table::OddsRecord> first, std::vector<table::OddsRecord> second,
                      const LineOptions& options) {
    MergedLine line;
    line.first_rows = std::move(first);
    line.second_rows = std::move(second);
    LineOptions all = options;
    all.include_unmatched = true;
    all.surebets_only = false;
    LineComparison comparison = CompareLines(line.first_rows, line.second_rows, all);
    line.offset_ms = comparison.offset_ms;
    line.matched = comparison.matched;

    // The first's words for the second's sports and tournaments: a sport by its key, a
    // tournament by the first pair that shows both names.
    std::unordered_map<std::string, std::string> sport_names;
    for (const table::OddsRecord& row : line.first_rows) {
        if (row.sport_type_name)
            sport_names.emplace(SportKey(*row.sport_type_name), *row.sport_type_name);
    }
    std::unordered_map<std::string, std::string> tournament_names;
    for (const ComparedEvent& event : comparison.events) {
        if (event.first < 0 || event.second < 0) continue;
        const table::OddsRecord& a = line.first_rows[event.first];
        const table::OddsRecord& b = line.second_rows[event.second];
        if (a.competition_name && b.competition_name && a.sport_type_name && b.sport_type_name) {
            tournament_names.emplace(*b.sport_type_name + '\x01' + *b.competition_name,
                                     *a.competition_name);
        }
    }

    line.rows.reserve(comparison.events.size());
    line.events.reserve(comparison.events.size());
    for (ComparedEvent& compared : comparison.events) {
        MergedEvent event;
        event.first = compared.first;
        event.second = compared.second;
        event.score = compared.score;
        table::OddsRecord row;
        if (event.first >= 0 && event.second >= 0) {
            row = MergedRow(line.first_rows[event.first], compared.comparison, event.holders);
            const table::OddsRecord& other = line.second_rows[event.second];
            if (!row.dop_info || row.dop_info->empty()) row.dop_info = other.dop_info;
        } else if (event.first >= 0) {
            row = line.first_rows[event.first];
        } else {
            row = line.second_rows[event.second];
            if (row.sport_event_date) {
                row.sport_event_date->ms =
                    std::clamp(row.sport_event_date->ms - line.offset_ms, table::kMinDateTime.ms,
                               table::kMaxDateTime.ms);
            }
            if (row.sport_type_name && row.competition_name) {
                const auto tournament =
                    tournament_names.find(*row.sport_type_name + '\x01' + *row.competition_name);
                if (tournament != tournament_names.end()) row.competition_name = tournament->second;
            }
            if (row.sport_type_name) {
                const auto sport = sport_names.find(SportKey(*row.sport_type_name));
                if (sport != sport_names.end()) row.sport_type_name = sport->second;
            }
        }
        event.comparison = std::move(compared.comparison);
        row.Key_ID = static_cast<int32_t>(line.events.size() + 1);
        line.rows.push_back(std::move(row));
        line.events.push_back(std::move(event));
    }
    return line;
}

}  // namespace lintaro::compare
