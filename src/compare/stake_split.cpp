#include "compare/stake_split.h"

#include <cmath>
#include <limits>

namespace lintaro::compare {

double Cents(double amount) { return std::round(amount * 100.0) / 100.0; }

StakeSplit SplitStakes(const std::vector<double>& prices, double bank) {
    StakeSplit split;
    double inverse_sum = 0.0;
    for (const double price : prices) inverse_sum += 1.0 / price;
    split.worst_return = prices.empty() ? 0.0 : std::numeric_limits<double>::infinity();
    for (const double price : prices) {
        const double stake = Cents(bank / price / inverse_sum);
        split.stakes.push_back(stake);
        split.returns.push_back(stake * price);
        split.staked += stake;
        split.worst_return = std::min(split.worst_return, stake * price);
    }
    split.profit = split.worst_return - split.staked;
    return split;
}

}  // namespace lintaro::compare
