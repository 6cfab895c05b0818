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

double MarketMargin(const int* const* prices, int count, double covered) {
    double sum = 0;
    for (int i = 0; i < count; ++i) sum += 1000.0 / *prices[i];
    return sum / covered - 1.0;
}

void PriceMarket(const double* chances, int count, double margin, int step, int* const* prices,
                 double covered) {
    for (int i = 0; i < count; ++i) {
        const double price = 1000.0 / (std::max(chances[i], 0.01) * (1.0 + margin));
        *prices[i] =
            std::clamp(static_cast<int>(std::lround(price / step)) * step, kMinPrice, 60000);
    }
    int shortest = 0;
    for (int i = 1; i < count; ++i) {
        if (*prices[i] < *prices[shortest]) shortest = i;
    }
    // Each step moves the margin by well under half a percent, so this ends inside the band.
    for (int guard = 0; guard < 1000; ++guard) {
        const double now = MarketMargin(prices, count, covered);
        if (now > kHighestMargin - 0.005) {
            *prices[shortest] += step;
        } else if (now < kLowestMargin + 0.005 && *prices[shortest] - step >= kMinPrice) {
            *prices[shortest] -= step;
        } else {
            break;
        }
    }
}

void DrawEvenPair(int& first, int& second, int step, Rng& rng) {
    const double side = rng.Between(45, 55) / 100.0;
    const double margin = rng.Between(40, 60) / 1000.0;
    const double chances[] = {side, 1.0 - side};
    int* prices[] = {&first, &second};
    PriceMarket(chances, 2, margin, step, prices);
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
    const double margin = MarketMargin(prices, count);
    if (std::fabs(margin - drawn_margin) > kMarginDrift || margin < kLowestMargin ||
        margin > kHighestMargin) {
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
