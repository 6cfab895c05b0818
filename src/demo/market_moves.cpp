// Pricing and moving the demo line's markets.
#include "demo/market_moves.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lintaro::demo {

int PriceFor(double probability, double margin) {
    double price = 1.0 / (std::max(probability, 0.01) * margin);
    price = std::clamp(price, 1.01, 60.0);
    return static_cast<int>(std::lround(price * 100.0)) * 10;
}

int PriceFor3(double probability, double margin) {
    double price = 1.0 / (std::max(probability, 0.01) * margin);
    price = std::clamp(price, 1.01, 60.0);
    return static_cast<int>(std::lround(price * 200.0)) * 5;
}

int TickAt(int milli) {
    if (milli < 2000) return 10;
    if (milli < 3000) return 20;
    if (milli < 4000) return 50;
    if (milli < 6000) return 100;
    if (milli < 10000) return 200;
    if (milli < 20000) return 500;
    return 1000;
}

int StepPrice(int milli, int ticks) {
    for (; ticks > 0; --ticks) milli += TickAt(milli);
    for (; ticks < 0; ++ticks) milli -= TickAt(milli - 1);
    return milli;
}

double MarketMargin(const int* const* prices, int count) {
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += 1000.0 / *prices[i];
    return sum - 1.0;
}

std::array<int, 3> MoveMarket(int* const* prices, int count, double drawn_margin, Rng& rng) {
    std::array<int, 3> moved{};
    const int leader = rng.Between(0, count - 1);
    const int other = (leader + rng.Between(1, count - 1)) % count;
    const int ticks = rng.Between(1, 2);
    const int direction = rng.Percent(50) ? 1 : -1;
    const int leader_price = StepPrice(*prices[leader], direction * ticks);
    const int other_price = StepPrice(*prices[other], -direction);
    if (leader_price < kMinPrice || other_price < kMinPrice) return moved;
    const int old_leader = std::exchange(*prices[leader], leader_price);
    const int old_other = std::exchange(*prices[other], other_price);
    if (std::fabs(MarketMargin(prices, count) - drawn_margin) > kMarginDrift) {
        *prices[leader] = old_leader;
        *prices[other] = old_other;
        return moved;
    }
    moved[leader] = direction;
    moved[other] = -direction;
    return moved;
}

void FollowByOneTick(std::optional<int>& price, int direction) {
    if (!price || direction == 0) return;
    const int moved = StepPrice(*price, direction);
    if (moved >= kMinPrice) *price = moved;
}

}  // namespace lintaro::demo
