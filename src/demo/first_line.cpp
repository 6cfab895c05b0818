// Draws and moves the first bookmaker's events: prices from chances and margins, event sheets,
// the sections of the page, and one generation's moves and turnover.
#include "demo/first_line.h"

#include <utility>

#include "demo/market_moves.h"
#include "demo/moving_line.h"
#include "demo/page_text.h"

namespace lintaro::demo {
namespace {

// An event sheet: a small one-line HTML table of further markets (empty now and then, as the
// bookmaker leaves some events without one). It never holds a line break or a "<div", which would
// end the event or the section early.
std::string EventSheet(Layout layout, Rng& rng) {
    if (rng.Percent(5)) return "";
    const auto& markets = SheetMarkets(layout);
    const int count = rng.Between(1, static_cast<int>(markets.size()));
    const int first = rng.Between(0, static_cast<int>(markets.size()) - 1);
    std::string sheet = "<table class=\"dop\">";
    for (int i = 0; i < count; ++i) {
        const SheetMarket& market = markets[(first + i) % markets.size()];
        sheet += "<tr><td class=m>";
        sheet += market.title;
        sheet += "</td>";
        // Prices of one market share one margin: draw each outcome's weight, then price it.
        std::vector<int> weights;
        int weight_sum = 0;
        for (size_t o = 0; o < market.outcomes.size(); ++o) {
            weights.push_back(rng.Between(10, 60));
            weight_sum += weights.back();
        }
        for (size_t o = 0; o < market.outcomes.size(); ++o) {
            sheet += "<td>";
            sheet += market.outcomes[o];
            sheet += " <u>";
            sheet += Price(PriceFor(static_cast<double>(weights[o]) / weight_sum, 1.05), 2);
            sheet += "</u></td>";
        }
        sheet += "</tr>";
    }
    sheet += "</table>";
    return Cp(sheet);
}

FirstPrices DrawFirstPrices(Layout layout, int total_milli, int total_step, Rng& rng) {
    FirstPrices p;
    const double strength = rng.Between(20, 80) / 100.0;  // home's share of the two sides
    p.has_draw = layout == Layout::kThreeWay || layout == Layout::kBasketball;
    if (p.has_draw) {
        const double draw =
            layout == Layout::kThreeWay ? rng.Between(18, 30) / 100.0 : rng.Between(5, 8) / 100.0;
        const double home_win = (1.0 - draw) * strength;
        const double guest_win = (1.0 - draw) - home_win;
        const double chances[] = {home_win, draw, guest_win};
        int* result[] = {&p.p1, &p.x, &p.p2};
        PriceMarket(chances, 3, 0.055, 10, result);
        if (layout == Layout::kThreeWay && !rng.Percent(6)) {
            // Each result is covered by two of the three double chances.
            const double covers[] = {home_win + draw, home_win + guest_win, guest_win + draw};
            p.px1 = p.p12 = p.p2x = 0;
            int* double_chance[] = {&*p.px1, &*p.p12, &*p.p2x};
            PriceMarket(covers, 3, 0.045, 10, double_chance, 2.0);
        }
    } else {
        const double chances[] = {strength, 1.0 - strength};
        int* two_way[] = {&p.p1, &p.p2};
        PriceMarket(chances, 2, 0.05, 10, two_way);
    }
    // Half-point handicaps, never 0; the favourite gives them.
    const int widest = layout == Layout::kBasketball || layout == Layout::kVolleyball ? 6
                       : layout == Layout::kTennis                                    ? 3
                                                                                      : 1;
    p.handicap = (2 * rng.Between(0, widest) + 1) * 500;
    if (strength > 0.5) p.handicap = -p.handicap;
    DrawEvenPair(p.f1, p.f2, 10, rng);
    p.total = total_milli + rng.Between(-1, 1) * total_step;
    DrawEvenPair(p.under, p.over, 10, rng);
    p.sheet = EventSheet(layout, rng);
    const int* result[] = {&p.p1, &p.x, &p.p2};
    const int* two_way[] = {&p.p1, &p.p2};
    const int* handicap[] = {&p.f1, &p.f2};
    const int* total[] = {&p.under, &p.over};
    p.result_margin = p.has_draw ? MarketMargin(result, 3) : MarketMargin(two_way, 2);
    p.handicap_margin = MarketMargin(handicap, 2);
    p.total_margin = MarketMargin(total, 2);
    return p;
}

// The double chances follow the results they cover by one tick each; a follow that would take
// their margin out of kLowestMargin..kHighestMargin is dropped whole.
void FollowDoubleChance(FirstPrices& p, const std::array<int, 3>& moved) {
    if (!p.px1) return;
    const FirstPrices before = p;
    FollowByOneTick(p.px1, moved[0]);
    FollowByOneTick(p.p2x, moved[2]);
    FollowByOneTick(p.p12, -moved[1]);  // a dearer draw makes "no draw" cheaper
    const int* double_chance[] = {&*p.px1, &*p.p12, &*p.p2x};
    const double margin = MarketMargin(double_chance, 3, 2.0);
    if (margin < kLowestMargin || margin > kHighestMargin) {
        p.px1 = before.px1;
        p.p12 = before.p12;
        p.p2x = before.p2x;
    }
}

// One generation's moves of an event's prices and lines.
void MoveFirstPrices(FirstPrices& p, Layout layout, int total_step, Rng& rng) {
    if (rng.Percent(kMarketMovePercent)) {
        int* result[] = {&p.p1, &p.x, &p.p2};
        int* two_way[] = {&p.p1, &p.p2};
        if (p.has_draw) {
            const std::array<int, 3> moved = MoveMarket(result, 3, p.result_margin, rng);
            FollowDoubleChance(p, moved);
        } else {
            MoveMarket(two_way, 2, p.result_margin, rng);
        }
        // The bookmaker reprices its further markets now and then with the main one.
        if (rng.Percent(50)) p.sheet = EventSheet(layout, rng);
    }
    if (rng.Percent(kMarketMovePercent)) {
        int* handicap[] = {&p.f1, &p.f2};
        MoveMarket(handicap, 2, p.handicap_margin, rng);
    }
    if (rng.Percent(kMarketMovePercent)) {
        int* total[] = {&p.under, &p.over};
        MoveMarket(total, 2, p.total_margin, rng);
    }
    if (rng.Percent(kLineMovePercent)) {
        // A line moves by a whole step and keeps its prices: the handicap stays a half point.
        const int direction = rng.Percent(50) ? 1 : -1;
        if (rng.Percent(50)) {
            p.handicap += direction * 1000;
        } else if (p.total + direction * total_step >= 500) {
            p.total += direction * total_step;
        }
    }
}

// The tournament's kick-off times in minutes after midnight.
std::vector<int> KickoffMinutes(const FirstTournament& tournament) {
    std::vector<int> minutes;
    for (const char* kickoff : tournament.kickoffs) minutes.push_back(MinuteOfDay(kickoff));
    return minutes;
}

}  // namespace

FirstBook::Events FirstBook::Draw(const DemoOptions& options, Rng& rng) {
    const auto& tournaments = FirstTournaments();
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.weight);
    const std::vector<int> counts = Spread(options.events, weights, rng);
    const auto& skipped = FirstSkippedSections();
    std::vector<FirstSection> sections;
    int event_number = 0;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        // A skipped section now and then between the read ones, always at the same places.
        if (t % 4 == 1 && t / 4 < skipped.size()) {
            FirstSection& section = sections.emplace_back();
            section.skipped = &skipped[t / 4];
            for (size_t i = 0; i + 1 < section.skipped->teams.size(); i += 2) {
                FirstEvent& event = section.events.emplace_back();
                event.drawn.home = static_cast<int>(i);
                event.drawn.guest = static_cast<int>(i + 1);
                event.prices = DrawFirstPrices(Layout::kThreeWay, 2500, 1000, rng);
            }
        }
        FirstSection& section = sections.emplace_back();
        section.tournament = t;
        if (counts[t] == 0) continue;
        const FirstTournament& tournament = tournaments[t];
        int team_count = static_cast<int>(tournament.teams.size());
        for (DrawnEvent& drawn :
             DrawEvents(counts[t], team_count, KickoffMinutes(tournament), rng)) {
            ++event_number;
            // A few events are unreadable on purpose; the first ones come early, so that small
            // lines have them too.
            drawn.blank_time = event_number == 7 || rng.Percent(1);
            drawn.invalid_date = event_number == 13 || (!drawn.blank_time && rng.Percent(1));
            FirstEvent& event = section.events.emplace_back();
            event.drawn = drawn;
            event.prices = DrawFirstPrices(tournament.layout, tournament.total_milli,
                                           tournament.total_step, rng);
        }
    }
    return sections;
}

void FirstBook::Move(Events& sections, const DemoOptions& options, uint32_t generation) {
    const auto& tournaments = FirstTournaments();
    Rng rng = GenerationRng(kSalt, options.seed, generation);
    // The sections the reader passes over stay still; one list per tournament, in their order.
    std::vector<std::vector<FirstEvent>*> lists;
    for (FirstSection& section : sections) {
        if (section.skipped) continue;
        const FirstTournament& tournament = tournaments[section.tournament];
        for (FirstEvent& event : section.events) {
            MoveFirstPrices(event.prices, tournament.layout, tournament.total_step, rng);
        }
        lists.push_back(&section.events);
    }
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.weight);
    TurnOver(
        lists, options.events,
        [&](uint32_t t, const FirstEvent& event) {
            return event.drawn.day_offset * 1440 +
                   MinuteOfDay(tournaments[t].kickoffs[event.drawn.kickoff]);
        },
        [&](uint32_t t) { return static_cast<int>(tournaments[t].teams.size()); },
        [&](Rng& rng, std::vector<TeamCalendar>& calendars) {
            const size_t t = PickByWeight(weights, rng);
            const FirstTournament& tournament = tournaments[t];
            FirstEvent event;
            event.drawn = DrawNewEvent(calendars[t], KickoffMinutes(tournament), rng);
            event.prices = DrawFirstPrices(tournament.layout, tournament.total_milli,
                                           tournament.total_step, rng);
            return std::pair{t, std::move(event)};
        },
        rng);
}

template class MovingLine<FirstLineModel, FirstLine>;

FirstLine BuildFirstLine(const DemoOptions& options, std::chrono::year_month_day today) {
    return MovingFirstLine(options, today).Line();
}

std::vector<table::OddsRecord> PublishedFirstRows(const DemoOptions& options,
                                                  std::chrono::year_month_day today) {
    return BuildFirstLine(options, today).rows;
}

}  // namespace lintaro::demo
