// One matched event at two bookmakers: the better price of every field and where it is, the
// match-result margin at the best prices, and the surebets (markets where backing every outcome
// at the best prices returns more than the stakes whatever happens).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "table/odds_table.h"

namespace lintaro::compare {

enum class Where { kFirst, kSecond, kBoth };
const char* WhereName(Where where);  // "first", "second", "both"

// The price fields compared, in this order.
enum class PriceField { kP1, kX, kP2, kPX1, kP2X, kP12, kF1, kF2, kTM, kTB };
inline constexpr int kPriceFieldCount = 10;
const char* PriceFieldName(PriceField field);  // "P1", ..., "TB"
// The row's member that holds the price of `field`.
std::optional<table::Decimal>& PriceRef(table::OddsRecord& row, PriceField field);
const std::optional<table::Decimal>& PriceRef(const table::OddsRecord& row, PriceField field);
// The row's member that holds the line a handicap or total price is at; null for the
// match-result and double-chance fields.
std::optional<table::Decimal>* LineOf(table::OddsRecord& row, PriceField field);
const std::optional<table::Decimal>* LineOf(const table::OddsRecord& row, PriceField field);

struct BestPrice {
    PriceField field;
    Where from;
    table::Decimal price;
    std::optional<table::Decimal> line;  // the handicap (F1, F2) or total (TM, TB) line it is at
};

struct Stake {
    PriceField field;
    double amount;  // in the bank's currency, rounded to cents
};

struct Surebet {
    std::string market;         // "1X2", "DC", "F" or "T"
    double profit;              // 1 / sum(1 / price) - 1, a fraction of the stakes
    std::vector<Stake> stakes;  // split the bank so that every outcome returns about the same
    // What rounding the stakes to cents costs: the exact split's guaranteed profit minus the
    // rounded stakes' worst outcome (in the bank's currency; may be a cent either way).
    double rounding_cost;
};

struct EventComparison {
    std::vector<BestPrice> best;   // the fields either side quotes, in PriceField order
    std::optional<double> margin;  // 1/P1 + 1/X + 1/P2 - 1 (or over P1 and P2) at the best prices
    std::vector<Surebet> surebets;
};

// A price of at most 1.0 is no price (the second bookmaker stores a missing tennis draw as 0).
// Handicap prices are compared only when both sides quote the same handicap lines (VF1, VF2),
// totals only at the same VT; when only one side quotes a handicap or total price, that price is
// the best at its line. Surebets: the match result (P1, X, P2; P1 and P2 alone when neither side
// quotes a draw), each double chance against its opposite (PX1/P2, P2X/P1, P12/X), the handicaps
// F1/F2 at opposite lines (VF1 = -VF2) and the totals TM/TB at one line. `bank` splits into the
// stakes. An event of one side alone is described by comparing it with an empty record: its own
// prices, from its side.
EventComparison CompareEvent(const table::OddsRecord& first, const table::OddsRecord& second,
                             double bank = 100.0);

}  // namespace lintaro::compare
