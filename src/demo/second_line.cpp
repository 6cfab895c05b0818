// Draws and moves the second bookmaker's events: prices from chances and margins, the events its
// reader passes over, and one generation's moves and turnover.
#include "demo/second_line.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <utility>

#include "demo/market_moves.h"
#include "demo/page_text.h"

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

// The events of the second bookmaker's own tournaments: half the line's count, beside the
// events it shares with the first.
int OwnEvents(int events) { return events / 2; }

// Of the first bookmaker's events of a shared tournament, this share is not carried here.
constexpr int kFirstOnlyPercent = 12;
// Of the events carried, this share starts a few minutes off the clocks' offset...
constexpr int kNudgedPercent = 4;
// ...and this share is priced far enough from the first bookmaker for a surebet across the two.
constexpr int kSurebetPercent = 4;
// The bookmaker's page clock runs this far behind the one its reader shows.
constexpr int kPageClockMinutes = 600;

// The one draw of an event of the first bookmaker that decides how this bookmaker carries it:
// the same at every generation, so an event keeps its fate while it is on the line.
Rng SharedEventRng(uint32_t seed, int tournament, const DrawnEvent& drawn) {
    Rng mixer((uint64_t{seed} << 32) ^ 0x5368617265ull);
    uint64_t h = mixer.Next();
    for (int v : {tournament, drawn.day_offset, drawn.kickoff, drawn.home, drawn.guest}) {
        h = Rng(h ^ static_cast<uint64_t>(static_cast<uint32_t>(v))).Next();
    }
    return Rng(h);
}

// The chances the prices `milli` stand for, their margin taken out.
std::vector<double> ChancesOf(std::initializer_list<int> milli) {
    std::vector<double> chances;
    double sum = 0;
    for (int price : milli) sum += chances.emplace_back(1000.0 / price);
    for (double& chance : chances) chance /= sum;
    return chances;
}

// A shared event's prices: the first bookmaker's chances at this bookmaker's margins and price
// steps, so the two books agree up to their margins; a surebet event moves a tenth of the
// favourite's chance over to the other side, so its price here beats the first's by far.
SecondPrices SharedPrices(const FirstPrices& first, SecondSport sport, bool surebet) {
    SecondPrices p;
    const bool soccer = sport == SecondSport::kSoccer && first.has_draw;
    std::vector<double> result =
        soccer ? ChancesOf({first.p1, first.x, first.p2}) : ChancesOf({first.p1, first.p2});
    if (surebet) {
        const size_t favourite = result.front() >= result.back() ? 0 : result.size() - 1;
        const size_t other = result.size() - 1 - favourite;
        const double shift = std::min(0.10, result[favourite] / 2);
        result[favourite] -= shift;
        result[other] += shift;
    }
    int* three_way[] = {&p.p1, &p.x, &p.p2};
    int* two_way[] = {&p.p1, &p.p2};
    PriceMarket(result.data(), static_cast<int>(result.size()), 0.045, 5,
                soccer ? three_way : two_way);
    const int* result_prices[] = {&p.p1, &p.x, &p.p2};
    const int* two_way_prices[] = {&p.p1, &p.p2};
    p.result_margin = soccer ? MarketMargin(result_prices, 3) : MarketMargin(two_way_prices, 2);
    if (sport == SecondSport::kTennis) return p;
    p.has_handicap = p.has_total = true;
    p.handicap = first.handicap;
    const std::vector<double> handicap = ChancesOf({first.f1, first.f2});
    int* handicap_prices[] = {&p.f1, &p.f2};
    PriceMarket(handicap.data(), 2, 0.05, 5, handicap_prices);
    p.total = first.total;
    const std::vector<double> total = ChancesOf({first.under, first.over});
    int* total_prices[] = {&p.under, &p.over};
    PriceMarket(total.data(), 2, 0.05, 5, total_prices);
    const int* handicap_pair[] = {&p.f1, &p.f2};
    const int* total_pair[] = {&p.under, &p.over};
    p.handicap_margin = MarketMargin(handicap_pair, 2);
    p.total_margin = MarketMargin(total_pair, 2);
    return p;
}

DemoOptions AtGenerationZero(DemoOptions options) {
    CheckDemoOptions(options);
    options.generation = 0;
    return options;
}

}  // namespace

SecondEvents SecondBook::Draw(const DemoOptions& options, Rng& rng) {
    const auto& tournaments = SecondTournaments();
    std::vector<int> weights;
    for (const auto& t : tournaments) weights.push_back(t.read && t.shares < 0 ? t.weight : 0);
    const std::vector<int> counts = Spread(OwnEvents(options.events), weights, rng);
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
        // The shared tournaments' events come and go with the first bookmaker's.
        if (tournaments[t].shares >= 0) continue;
        read.push_back(t);
        lists.push_back(&line[t]);
        weights.push_back(tournaments[t].weight);
    }
    TurnOver(
        lists, OwnEvents(options.events),
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

SecondLineModel::SecondLineModel(const DemoOptions& wanted, std::chrono::year_month_day on)
    : MovingLineState(AtGenerationZero(wanted), on), first_line(AtGenerationZero(wanted), on) {
    Follow();
    while (options.generation < wanted.generation) Advance();
}

void SecondLineModel::Advance() {
    first_line.Advance();
    MovingLineState::Advance();
    Follow();
}

void SecondLineModel::Follow() {
    const auto& tournaments = SecondTournaments();
    const auto& first_tournaments = FirstTournaments();
    using Key = std::array<int, 4>;
    const auto key_of = [](const DrawnEvent& drawn) {
        return Key{drawn.day_offset, drawn.kickoff, drawn.home, drawn.guest};
    };
    for (size_t t = 0; t < tournaments.size(); ++t) {
        const int f = tournaments[t].shares;
        if (f < 0) continue;
        const FirstTournament& first_tournament = first_tournaments[static_cast<size_t>(f)];
        std::map<Key, SecondEvent> carried;
        for (SecondEvent& event : events[t]) carried.emplace(key_of(event.first), std::move(event));
        events[t].clear();
        for (const FirstSection& section : first_line.events) {
            if (section.skipped || section.tournament != static_cast<size_t>(f)) continue;
            const auto start_of = [&](const DrawnEvent& drawn) {
                return drawn.day_offset * 1440 +
                       MinuteOfDay(first_tournament.kickoffs[drawn.kickoff]);
            };
            std::map<int, std::vector<int>> starts;  // each team's
            for (const FirstEvent& first : section.events) {
                starts[first.drawn.home].push_back(start_of(first.drawn));
                starts[first.drawn.guest].push_back(start_of(first.drawn));
            }
            // A nudge never brings a team's two events within a day of each other.
            const auto nudge_keeps_rest = [&](const DrawnEvent& drawn) {
                const int start = start_of(drawn);
                for (int team : {drawn.home, drawn.guest}) {
                    for (int other : starts[team]) {
                        if (other != start && std::abs(other - start) < kTeamRestMinutes + 5) {
                            return false;
                        }
                    }
                }
                return true;
            };
            for (const FirstEvent& first : section.events) {
                const DrawnEvent& drawn = first.drawn;
                if (drawn.blank_time || drawn.invalid_date) continue;
                Rng fate = SharedEventRng(options.seed, f, drawn);
                if (fate.Percent(kFirstOnlyPercent)) continue;
                int nudge = 0;
                if (fate.Percent(kNudgedPercent))
                    nudge = (fate.Percent(50) ? 1 : -1) * fate.Between(1, 5);
                const bool surebet = fate.Percent(kSurebetPercent);
                if (nudge != 0 && !nudge_keeps_rest(drawn)) nudge = 0;
                const int page = drawn.day_offset * 1440 +
                                 MinuteOfDay(first_tournament.kickoffs[drawn.kickoff]) +
                                 options.second_offset_minutes + nudge - kPageClockMinutes;
                // Events whose page date would fall outside the line's four weeks, or whose time
                // the 12-hour clock would print in the hour 12, stay at the first bookmaker only.
                if (page < 0 || page >= 28 * 1440 || page / 60 % 12 == 0) continue;
                SecondEvent event;
                if (auto was = carried.find(key_of(drawn)); was != carried.end()) {
                    event = std::move(was->second);
                } else {
                    event.prices = SharedPrices(first.prices, tournaments[t].sport, surebet);
                }
                event.shared = true;
                event.surebet = surebet;
                event.first = drawn;
                event.drawn.day_offset = page / 1440;
                event.drawn.kickoff = 0;
                event.drawn.home = drawn.home;
                event.drawn.guest = drawn.guest;
                event.page_minute = page % 1440;
                events[t].push_back(std::move(event));
            }
        }
        std::stable_sort(events[t].begin(), events[t].end(),
                         [](const SecondEvent& a, const SecondEvent& b) {
                             return std::pair{a.drawn.day_offset, a.page_minute} <
                                    std::pair{b.drawn.day_offset, b.page_minute};
                         });
    }
}

template class MovingLine<SecondLineModel, SecondLine>;

SecondLine BuildSecondLine(const DemoOptions& options, std::chrono::year_month_day today) {
    return MovingSecondLine(options, today).Line();
}

std::vector<table::OddsRecord> PublishedSecondRows(const DemoOptions& options,
                                                   std::chrono::year_month_day today) {
    return BuildSecondLine(options, today).rows;
}

std::vector<DemoPair> PublishedPairs(const DemoOptions& options,
                                     std::chrono::year_month_day today) {
    return BuildSecondLine(options, today).pairs;
}

}  // namespace lintaro::demo
