#include "compare/price_comparison.h"

#include <array>

#include "compare/stake_split.h"

namespace lintaro::compare {

using table::Decimal;
using table::OddsRecord;

namespace {

constexpr int64_t kOne = table::kDecimalScale;  // 1.0 as a stored decimal
constexpr size_t kMostOutcomes = 3;             // of a market: 1, X and 2

std::optional<Decimal> Quoted(const OddsRecord& row, PriceField field) {
    const std::optional<Decimal>& price = PriceRef(row, field);
    if (price && price->scaled > kOne) return price;
    return std::nullopt;
}

std::optional<BestPrice> Best(const OddsRecord& first, const OddsRecord& second, PriceField field) {
    const std::optional<Decimal> a = Quoted(first, field);
    const std::optional<Decimal> b = Quoted(second, field);
    const auto* line_a = LineOf(first, field);
    const auto* line_b = LineOf(second, field);
    if (a && b) {
        if (line_a && (!line_a->has_value() || *line_a != *line_b)) return std::nullopt;
        const Where from = a->scaled > b->scaled   ? Where::kFirst
                           : b->scaled > a->scaled ? Where::kSecond
                                                   : Where::kBoth;
        return BestPrice{field, from, a->scaled >= b->scaled ? *a : *b,
                         line_a ? *line_a : std::nullopt};
    }
    if (a) return BestPrice{field, Where::kFirst, *a, line_a ? *line_a : std::nullopt};
    if (b) return BestPrice{field, Where::kSecond, *b, line_b ? *line_b : std::nullopt};
    return std::nullopt;
}

const BestPrice* Find(const std::vector<BestPrice>& best, PriceField field) {
    for (const BestPrice& price : best) {
        if (price.field == field) return &price;
    }
    return nullptr;
}

// A surebet over `fields` when all are quoted and their inverse prices sum below one.
void AddSurebet(const std::vector<BestPrice>& best, const char* market,
                std::initializer_list<PriceField> fields, double bank, EventComparison& out) {
    // Nothing is allocated until a surebet is found: most markets of most events have none.
    std::array<const BestPrice*, kMostOutcomes> prices{};
    size_t count = 0;
    double inverse_sum = 0.0;
    for (PriceField field : fields) {
        const BestPrice* price = Find(best, field);
        if (!price || count == prices.size()) return;
        prices[count++] = price;
        inverse_sum += 1.0 / price->price.ToDouble();
    }
    if (inverse_sum >= 1.0) return;
    Surebet surebet;
    surebet.market = market;
    surebet.profit = 1.0 / inverse_sum - 1.0;
    std::vector<double> odds;
    for (size_t i = 0; i < count; ++i) odds.push_back(prices[i]->price.ToDouble());
    const StakeSplit split = SplitStakes(odds, bank);
    for (size_t i = 0; i < count; ++i) {
        surebet.stakes.push_back({prices[i]->field, split.stakes[i]});
    }
    surebet.rounding_cost = Cents(bank * surebet.profit - split.profit);
    out.surebets.push_back(std::move(surebet));
}

}  // namespace

std::optional<Decimal>* LineOf(OddsRecord& row, PriceField field) {
    switch (field) {
        case PriceField::kF1:
            return &row.VF1;
        case PriceField::kF2:
            return &row.VF2;
        case PriceField::kTM:
        case PriceField::kTB:
            return &row.VT;
        default:
            return nullptr;
    }
}

const std::optional<Decimal>* LineOf(const OddsRecord& row, PriceField field) {
    return LineOf(const_cast<OddsRecord&>(row), field);
}

std::optional<Decimal>& PriceRef(OddsRecord& row, PriceField field) {
    switch (field) {
        case PriceField::kP1:
            return row.P1;
        case PriceField::kX:
            return row.X;
        case PriceField::kP2:
            return row.P2;
        case PriceField::kPX1:
            return row.PX1;
        case PriceField::kP2X:
            return row.P2X;
        case PriceField::kP12:
            return row.P12;
        case PriceField::kF1:
            return row.F1;
        case PriceField::kF2:
            return row.F2;
        case PriceField::kTM:
            return row.TM;
        case PriceField::kTB:
            return row.TB;
    }
    return row.P1;
}

const std::optional<Decimal>& PriceRef(const OddsRecord& row, PriceField field) {
    return PriceRef(const_cast<OddsRecord&>(row), field);
}

const char* WhereName(Where where) {
    switch (where) {
        case Where::kFirst:
            return "first";
        case Where::kSecond:
            return "second";
        case Where::kBoth:
            return "both";
    }
    return "both";
}

const char* PriceFieldName(PriceField field) {
    static constexpr const char* kNames[] = {"P1",  "X",  "P2", "PX1", "P2X",
                                             "P12", "F1", "F2", "TM",  "TB"};
    return kNames[static_cast<int>(field)];
}

EventComparison CompareEvent(const OddsRecord& first, const OddsRecord& second, double bank) {
    EventComparison out;
    // Gathered first, so the list is allocated once at its size.
    std::array<BestPrice, kPriceFieldCount> found;
    size_t count = 0;
    for (int f = 0; f < kPriceFieldCount; ++f) {
        if (auto best = Best(first, second, static_cast<PriceField>(f))) found[count++] = *best;
    }
    out.best.assign(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count));
    const BestPrice* p1 = Find(out.best, PriceField::kP1);
    const BestPrice* x = Find(out.best, PriceField::kX);
    const BestPrice* p2 = Find(out.best, PriceField::kP2);
    if (p1 && p2) {
        double sum = 1.0 / p1->price.ToDouble() + 1.0 / p2->price.ToDouble();
        if (x) sum += 1.0 / x->price.ToDouble();
        out.margin = sum - 1.0;
    }
    if (x) {
        AddSurebet(out.best, "1X2", {PriceField::kP1, PriceField::kX, PriceField::kP2}, bank, out);
    } else {
        AddSurebet(out.best, "1X2", {PriceField::kP1, PriceField::kP2}, bank, out);
    }
    AddSurebet(out.best, "DC", {PriceField::kPX1, PriceField::kP2}, bank, out);
    AddSurebet(out.best, "DC", {PriceField::kP2X, PriceField::kP1}, bank, out);
    AddSurebet(out.best, "DC", {PriceField::kP12, PriceField::kX}, bank, out);
    const BestPrice* f1 = Find(out.best, PriceField::kF1);
    const BestPrice* f2 = Find(out.best, PriceField::kF2);
    if (f1 && f2 && f1->line && f2->line && f1->line->scaled == -f2->line->scaled) {
        AddSurebet(out.best, "F", {PriceField::kF1, PriceField::kF2}, bank, out);
    }
    const BestPrice* tm = Find(out.best, PriceField::kTM);
    const BestPrice* tb = Find(out.best, PriceField::kTB);
    if (tm && tb && tm->line && tb->line && *tm->line == *tb->line) {
        AddSurebet(out.best, "T", {PriceField::kTM, PriceField::kTB}, bank, out);
    }
    return out;
}

}  // namespace lintaro::compare
