// How the demo line prices a market and moves it: prices from chances and a margin, the price
// ladder's ticks, a market's margin, and one generation's move of a market. Prices are kept in
// thousandths ("milli"): 1.85 is 1850. Both bookmakers' lines use these; only the rounding of a
// fresh price differs (hundredths at the first, three decimals at the second).
#pragma once

#include <array>
#include <optional>

#include "demo/random_source.h"

namespace lintaro::demo {

constexpr int kMarketMovePercent = 4;  // chance that a market moves in one generation
constexpr int kLineMovePercent = 1;    // chance that an event's handicap or total line moves
constexpr int kMinPrice = 1010;        // no move takes a price below 1.01
// A move is refused when it takes the market's margin further than this from the margin it was
// drawn with, so margins stay where a bookmaker keeps them.
constexpr double kMarginDrift = 0.015;
// Every market of the line, as drawn and after every move, keeps its margin within these, as a
// bookmaker does: never below 3% (one bookmaker alone would show a surebet near 0%), never above
// 7%. Fresh markets are priced at least half a percent inside them.
constexpr double kLowestMargin = 0.03;
constexpr double kHighestMargin = 0.07;

// A price in hundredths from a probability and the bookmaker's margin as a factor (1.05 for 5%),
// for the first bookmaker's event sheets.
int PriceFor(double probability, double margin);

// The step of the price ladder at `milli`: a hundredth up to 2.00, widening with the price, as
// bookmakers and exchanges move prices.
int TickAt(int milli);
// `milli` moved by `ticks` steps of the ladder (down when negative).
int StepPrice(int milli, int ticks);

// A market's margin from prices in thousandths: the implied probabilities beyond `covered`
// (1 for a market whose outcomes exclude each other; 2 for double chance, where each result is
// covered twice), as a share of `covered`.
double MarketMargin(const int* const* prices, int count, double covered = 1.0);

// Prices a market whose outcomes have `chances` (summing to `covered`) at `margin`, rounded to
// `step` thousandths, then moves its shortest price a step at a time until the margin lies half a
// percent inside kLowestMargin..kHighestMargin (rounding a short price can move it by a percent).
void PriceMarket(const double* chances, int count, double margin, int step, int* const* prices,
                 double covered = 1.0);

// Prices a handicap or total pair near evens: the first side's chance drawn in 45..55%, the
// margin in 4..6%.
void DrawEvenPair(int& first, int& second, int step, Rng& rng);

// Moves one market: one outcome by one or two ticks, another the opposite way by one tick, as a
// bookmaker rebalances. The move is dropped when it would take a price below kMinPrice or the
// margin more than kMarginDrift from `drawn_margin` or outside kLowestMargin..kHighestMargin.
// Returns each price's direction (-1, 0, +1).
std::array<int, 3> MoveMarket(int* const* prices, int count, double drawn_margin, Rng& rng);

// A double chance follows the outcome it covers by one tick (`direction` of 0 leaves it).
void FollowByOneTick(std::optional<int>& price, int direction);

}  // namespace lintaro::demo
