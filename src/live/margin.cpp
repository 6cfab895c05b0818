// Margins of the three markets and their percent texts.
#include "live/margin.h"

#include <cmath>
#include <cstdlib>

namespace lintaro::live {
namespace {

// 1/price, or nullopt when the price is null or implies no probability (at most 1.0).
std::optional<double> ImpliedProbability(const std::optional<Decimal>& price) {
    if (!price || price->scaled <= kDecimalScale) return std::nullopt;
    return 1.0 / price->ToDouble();
}

std::optional<double> TwoWayMargin(const std::optional<Decimal>& first,
                                   const std::optional<Decimal>& second) {
    const auto p = ImpliedProbability(first);
    const auto q = ImpliedProbability(second);
    if (!p || !q) return std::nullopt;
    return *p + *q - 1.0;
}

// How close to a half a scaled margin must be to count as the exact half it stands for.
constexpr double kTieTolerance = 1e-9;

}  // namespace

std::optional<double> Margin1X2(const OddsRecord& row) {
    if (!row.X) {
        if (row.PX1 || row.P2X || row.P12) return std::nullopt;
        return TwoWayMargin(row.P1, row.P2);
    }
    const auto home = ImpliedProbability(row.P1);
    const auto draw = ImpliedProbability(row.X);
    const auto guest = ImpliedProbability(row.P2);
    if (!home || !draw || !guest) return std::nullopt;
    return *home + *draw + *guest - 1.0;
}

std::optional<double> MarginHandicap(const OddsRecord& row) { return TwoWayMargin(row.F1, row.F2); }

std::optional<double> MarginTotal(const OddsRecord& row) { return TwoWayMargin(row.TM, row.TB); }

int64_t MarginTenthsOfPercent(double fraction) {
    const double tenths = fraction * 1000.0;
    const double below = std::floor(tenths);
    const double rest = tenths - below;
    auto whole = static_cast<int64_t>(below);
    if (std::fabs(rest - 0.5) <= kTieTolerance) {
        if (whole % 2 != 0) ++whole;  // a half: to the even tenth
    } else if (rest > 0.5) {
        ++whole;
    }
    return whole;
}

std::string FormatMarginPercent(double fraction, std::string_view decimal_mark) {
    const int64_t tenths = MarginTenthsOfPercent(fraction);
    const int64_t magnitude = std::llabs(tenths);
    std::string text;
    if (tenths < 0) text += '-';
    text += std::to_string(magnitude / 10);
    text += decimal_mark;
    text += static_cast<char>('0' + magnitude % 10);
    text += '%';
    return text;
}

}  // namespace lintaro::live
