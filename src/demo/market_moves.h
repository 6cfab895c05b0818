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

// A price in hundredths (the first bookmaker's) from a probability and the bookmaker's margin.
int PriceFor(double probability, double margin);
// The same in thousandths rounded to 5 (the second bookmaker prints three decimals).
int PriceFor3(double probability, double margin);

// The step of the price ladder at `milli`: a hundredth up to 2.00, widening with the price, as
// bookmakers and exchanges move prices.
int TickAt(int milli);
// `milli` moved by `ticks` steps of the ladder (down when negative).
int StepPrice(int milli, int ticks);

// A market's margin (the implied probabilities beyond one) from prices in thousandths.
double MarketMargin(const int* const* prices, int count);

// Moves one market: one outcome by one or two ticks, another the opposite way by one tick, as a
// bookmaker rebalances. The move is dropped when it would take a price below kMinPrice or the
// margin more than kMarginDrift from `drawn_margin`. Returns each price's direction (-1, 0, +1).
std::array<int, 3> MoveMarket(int* const* prices, int count, double drawn_margin, Rng& rng);

// A double chance follows the outcome it covers by one tick (`direction` of 0 leaves it).
void FollowByOneTick(std::optional<int>& price, int direction);

}  // namespace lintaro::demo
