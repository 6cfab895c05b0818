// Splitting a bank over a surebet's outcomes: each stake in proportion to 1 / its price, so that
// every outcome returns about the same, rounded to cents as a bettor places them. The returns
// and the profit are those of the rounded stakes: what the bettor is actually paid.
#pragma once

#include <vector>

namespace lintaro::compare {

struct StakeSplit {
    std::vector<double> stakes;   // one per price, in the bank's currency, rounded to cents
    std::vector<double> returns;  // stake × price of each outcome (not rounded)
    double staked = 0.0;          // the stakes' sum: the bank, give or take rounding's cents
    double worst_return = 0.0;    // the smallest return: what every outcome pays at least
    double profit = 0.0;          // worst_return − staked: the gain whatever happens
};

// The split of `bank` over `prices` (each above 1.0). With a sum of 1 / price below one the profit
// is positive but for rounding; otherwise it is the loss the prices leave.
StakeSplit SplitStakes(const std::vector<double>& prices, double bank);

// An amount rounded to whole cents, a half away from zero.
double Cents(double amount);

}  // namespace lintaro::compare
