// Draws and moves the second bookmaker's events: prices from chances and margins, the events its
// reader passes over, and one generation's moves and turnover.
#include "demo/second_line.h"

#include <utility>

#include "demo/market_moves.h"

namespace lintaro::demo {
namespace {

// A soccer (three-way) or baseball event's prices, handicap and total.
SecondPrices DrawTeamPrices(bool soccer, Rng& rng) {
    SecondPrices p;
    const double strength = rng.Between(25, 75) / 100.0;
    const double draw = soccer ? rng.Between(20, 30) / 100.0 : 0.0;
    if (soccer) {
        const double chances[] = {(1.0 - draw) * strength, draw, (1.0 - draw) * (1.0 - strength)};
        int* result[] = {&p.p1, &p.x, &p.p2};
        PriceMarket(chances, 3, 0.045, 5, result);
    } else {
        const double chances[] = {strength, 1.0 - strength};
        int* two_way[] = {&p.p1, &p.p2};
        PriceMarket(chances, 2, 0.045, 5, two_way);
    }
    p.has_handicap = !rng.Percent(8);
    p.has_total = !rng.Percent(8);
    // Soccer's Asian handicap moves in quarters; baseball's run line is always 1.5.
    p.handicap = soccer ? rng.Between(1, 6) * 250 : 1500;
    if (strength > 0.5) p.handicap = -p.handicap;
    DrawEvenPair(p.f1, p.f2, 5, rng);
    p.total = soccer ? 2500 + rng.Between(-1, 1) * 1000 : 8500 + rng.Between(-1, 1) * 1000;
    p.split_total = soccer && rng.Percent(20);
    DrawEvenPair(p.under, p.over, 5, rng);
    const int* result[] = {&p.p1, &p.x, &p.p2};
    const int* two_way[] = {&p.p1, &p.p2};
    const int* handicap[] = {&p.f1, &p.f2};
    const int* total[] = {&p.under, &p.over};
    p.result_margin = soccer ? MarketMargin(result, 3) : MarketMargin(two_way, 2);
    p.handicap_margin = MarketMargin(handicap, 2);
    p.total_margin = MarketMargin(total, 2);
    return p;
}

// A tennis match's two prices.
SecondPrices DrawTennisPrices(Rng& rng) {
    SecondPrices p;
    const double strength = rng.Between(15, 85) / 100.0;
    const double chances[] = {strength, 1.0 - strength};
    int* two_way[] = {&p.p1, &p.p2};
    PriceMarket(chances, 2, 0.045, 5, two_way);
    p.result_margin = MarketMargin(two_way, 2);
    return p;
}

// One generation's moves of an event's prices and lines.
void MoveSecondPrices(SecondPrices& p, SecondSport sport, Rng& rng) {
    const bool soccer = sport == SecondSport::kSoccer;
    if (rng.Percent(kMarketMovePercent)) {
        int* result[] = {&p.p1, &p.x, &p.p2};
        int* two_way[] = {&p.p1, &p.p2};
        if (soccer) {
            MoveMarket(result, 3, p.result_margin, rng);
        } else {
            MoveMarket(two_way, 2, p.result_margin, rng);
        }
    }
    if (sport == SecondSport::kTennis) return;
    if (p.has_handicap && rng.Percent(kMarketMovePercent)) {
        int* handicap[] = {&p.f1, &p.f2};
        MoveMarket(handicap, 2, p.handicap_margin, rng);
    }
    if (p.has_total && rng.Percent(kMarketMovePercent)) {
        int* total[] = {&p.under, &p.over};
        MoveMarket(total, 2, p.total_margin, rng);
    }
    if (rng.Percent(kLineMovePercent)) {
        // Soccer's handicap moves by a quarter (never to 0); baseball's run line stays 1.5.
        const int direction = rng.Percent(50) ? 1 : -1;
        if (rng.Percent(50)) {
            if (soccer && p.has_handicap && p.handicap + direction * 250 != 0) {
                p.handicap += direction * 250;
            }
        } else if (p.has_total && p.total + direction * 1000 >= 500) {
            p.total += direction * 1000;
        }
    }
}
// The sport's kick-off times in minutes after midnight.
std::vector<int> KickoffMinutes(SecondSport sport) {
    std::vector<int> minutes;
    for (const SecondKickoff& kickoff : SecondKickoffs(sport)) {
        minutes.push_back(kickoff.hour * 60 + kickoff.minute);
    }
    return minutes;
}

}  // namespace

SecondEvents SecondBook::Draw(const DemoOptions& options, Rng& rng) {
    const auto& tournaments = SecondTournaments();
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.read ? t.weight : 0);
    const std::vector<int> counts = Spread(options.events, weights, rng);
    SecondEvents line(tournaments.size());
    int event_number = 0;
    for (size_t t = 0; t < tournaments.size(); ++t) {
        const SecondTournament& tournament = tournaments[t];
        const bool tennis = tournament.sport == SecondSport::kTennis;
        const bool soccer = tournament.sport != SecondSport::kBaseball && !tennis;
        const int count = tournament.read ? counts[t] : 2;
        int team_count = static_cast<int>(tournament.teams.size());
        for (const DrawnEvent& drawn :
             DrawEvents(count, team_count, KickoffMinutes(tournament.sport), rng)) {
            ++event_number;
            SecondEvent& event = line[t].emplace_back();
            event.drawn = drawn;
            event.to_be_announced = event_number == 5 || rng.Percent(1);
            event.bare_draw = soccer && (event_number == 9 || rng.Percent(1));
            event.hyphenated = tennis && rng.Percent(4);
            event.prices = tennis ? DrawTennisPrices(rng) : DrawTeamPrices(soccer, rng);
        }
    }
    return line;
}

void SecondBook::Move(SecondEvents& line, const DemoOptions& options, uint32_t generation) {
    const auto& tournaments = SecondTournaments();
    Rng rng = GenerationRng(kSalt, options.seed, generation);
    std::vector<size_t> read;  // the tournaments that move, by list index
    std::vector<std::vector<SecondEvent>*> lists;
    std::vector<int> weights;
    for (size_t t = 0; t < line.size(); ++t) {
        if (!tournaments[t].read) continue;
        for (SecondEvent& event : line[t])
            MoveSecondPrices(event.prices, tournaments[t].sport, rng);
        read.push_back(t);
        lists.push_back(&line[t]);
        weights.push_back(tournaments[t].weight);
    }
    TurnOver(
        lists, options.events,
        [&](uint32_t l, const SecondEvent& event) {
            const SecondKickoff& kickoff =
                SecondKickoffs(tournaments[read[l]].sport)[event.drawn.kickoff];
            return event.drawn.day_offset * 1440 + kickoff.hour * 60 + kickoff.minute;
        },
        [&](uint32_t l) { return static_cast<int>(tournaments[read[l]].teams.size()); },
        [&](Rng& rng, std::vector<TeamCalendar>& calendars) {
            const size_t l = PickByWeight(weights, rng);
            const SecondTournament& tournament = tournaments[read[l]];
            SecondEvent event;
            event.drawn = DrawNewEvent(calendars[l], KickoffMinutes(tournament.sport), rng);
            event.prices = tournament.sport == SecondSport::kTennis
                               ? DrawTennisPrices(rng)
                               : DrawTeamPrices(tournament.sport == SecondSport::kSoccer, rng);
            return std::pair{l, std::move(event)};
        },
        rng);
}

MovingSecondLine::MovingSecondLine(const DemoOptions& options, std::chrono::year_month_day today)
    : model_(std::make_unique<Model>(options, today)) {}

MovingSecondLine::~MovingSecondLine() = default;
MovingSecondLine::MovingSecondLine(MovingSecondLine&&) noexcept = default;
MovingSecondLine& MovingSecondLine::operator=(MovingSecondLine&&) noexcept = default;

uint32_t MovingSecondLine::Generation() const { return model_->options.generation; }

void MovingSecondLine::Advance() { model_->Advance(); }

SecondLine BuildSecondLine(const DemoOptions& options, std::chrono::year_month_day today) {
    return MovingSecondLine(options, today).Line();
}

std::vector<OddsRecord> PublishedSecondRows(const DemoOptions& options,
                                            std::chrono::year_month_day today) {
    return BuildSecondLine(options, today).rows;
}

}  // namespace lintaro::demo
