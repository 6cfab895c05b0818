// Margins from the stored prices; rounding to tenths of a percent in the default rounding mode
// (to nearest, an exact half to the even tenth).
#include "grid/margin.h"

#include <cmath>
#include <initializer_list>

namespace lintaro::grid {

using table::IsQuotedPrice;
using table::OddsRecord;

namespace {

// The sum of 1 / price over `prices`, less one; nothing when one of them is no real price.
std::optional<double> Overround(
    std::initializer_list<const std::optional<table::Decimal>*> prices) {
    double sum = 0;
    for (const std::optional<table::Decimal>* price : prices) {
        if (!IsQuotedPrice(*price)) return std::nullopt;
        sum += 1.0 / (*price)->ToDouble();
    }
    return sum - 1.0;
}

}  // namespace

std::optional<double> Margin1X2(const OddsRecord& row) {
    // No draw quoted (tennis stores its draw as 0, baseball leaves it null) and no double chance:
    // a two-way market.
    if (!IsQuotedPrice(row.X) && !IsQuotedPrice(row.PX1) && !IsQuotedPrice(row.P2X) &&
        !IsQuotedPrice(row.P12)) {
        return Overround({&row.P1, &row.P2});
    }
    return Overround({&row.P1, &row.X, &row.P2});
}

std::optional<double> MarginHandicap(const OddsRecord& row) {
    return Overround({&row.F1, &row.F2});
}

std::optional<double> MarginTotal(const OddsRecord& row) { return Overround({&row.TM, &row.TB}); }

long long MarginTenthsOfPercent(double margin) {
    // Sums of reciprocals carry a little floating-point noise: a value within that noise of an
    // exact half is the half, and goes to the even tenth.
    const double tenths = margin * 1000.0;
    const double below = std::floor(tenths);
    if (std::fabs(tenths - (below + 0.5)) < 1e-9) {
        const auto lower = static_cast<long long>(below);
        return lower % 2 == 0 ? lower : lower + 1;
    }
    return std::llround(tenths);
}

std::string FormatMarginPercent(double margin, std::string_view decimal_mark) {
    return FormatPercentTenths(MarginTenthsOfPercent(margin), decimal_mark);
}

std::string FormatPercentTenths(long long tenths, std::string_view decimal_mark) {
    const long long magnitude = tenths < 0 ? -tenths : tenths;
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += decimal_mark;
    text += static_cast<char>('0' + magnitude % 10);
    text += '%';
    return text;
}

}  // namespace lintaro::grid
