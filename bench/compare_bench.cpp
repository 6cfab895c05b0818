// Matching and comparing two bookmakers' lines of 20 000 events each (target: 100 ms or less in a
// Release build), and the memory the comparison takes at its peak next to the two tables' (target:
// at most half). The lines are synthetic for now: leagues of made-up clubs written in Russian at
// the first and transliterated (now and then with "FC" or a city) at the second, tennis players as
// "Surname I." against "Firstname Surname", the second's clock three hours ahead with a few events
// some minutes apart, a share of events at one side only, and hockey at the first alone.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "compare/line_comparison.h"
#include "compare/link_candidates.h"
#include "compare/merged_line.h"
#include "counted_heap.h"
#include "demo/demo_line.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

using lintaro::bench::heap_in_use;
using lintaro::bench::heap_peak;

namespace lintaro::compare {

using table::DateTime;
using table::DecimalFromDouble;
using table::Utf8ToCp1251;

namespace {

struct Syllable {
    const char* cyrillic;
    const char* latin;
};
constexpr Syllable kSyllables[] = {
    {"ка", "ka"},  {"ро", "ro"},   {"ми", "mi"},   {"на", "na"},   {"то", "to"},   {"ри", "ri"},
    {"се", "se"},  {"ла", "la"},   {"во", "vo"},   {"ди", "di"},   {"бе", "be"},   {"гу", "gu"},
    {"ле", "le"},  {"по", "po"},   {"зо", "zo"},   {"ту", "tu"},   {"ша", "sha"},  {"ча", "cha"},
    {"жи", "zhi"}, {"хо", "kho"},  {"юр", "yur"},  {"ян", "yan"},  {"фе", "fe"},   {"цо", "tso"},
    {"ды", "dy"},  {"мар", "mar"}, {"лин", "lin"}, {"бор", "bor"}, {"кен", "ken"}, {"вай", "vay"},
};

struct Name {
    std::string first;   // Windows-1251
    std::string second;  // Latin
};

std::string Capitalised(std::string text, bool cyrillic) {
    if (text.empty()) return text;
    if (cyrillic) {
        text[0] = static_cast<char>(static_cast<unsigned char>(text[0]) - 0x20);  // а..я -> А..Я
    } else {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text;
}

// A made-up word of `syllables` syllables in both scripts.
std::pair<std::string, std::string> Word(int syllables, std::mt19937& rng) {
    std::string cyrillic, latin;
    for (int s = 0; s < syllables; ++s) {
        const Syllable& syllable = kSyllables[rng() % std::size(kSyllables)];
        cyrillic += Utf8ToCp1251(syllable.cyrillic);
        latin += syllable.latin;
    }
    return {Capitalised(cyrillic, true), Capitalised(latin, false)};
}

struct League {
    const char* first_sport;
    const char* second_sport;  // nullptr: the second does not carry the sport
    bool players;
    std::vector<Name> teams;
    std::vector<int> kickoffs;  // minutes of the day
};

struct Lines {
    std::vector<table::OddsRecord> first, second;
    std::vector<std::pair<int, int>> true_pairs;  // (first row, second row)
};

Lines MakeLines(int events_per_side) {
    std::mt19937 rng(20260516);
    std::set<std::string> used;
    std::vector<League> leagues;
    const struct {
        const char* first;
        const char* second;
        bool players;
        int count;
    } kSports[] = {{"футбол", "soccer", false, 24},
                   {"бейсбол", "baseball", false, 6},
                   {"теннис", "tennis", true, 8},
                   {"хоккей", nullptr, false, 4}};
    for (const auto& sport : kSports) {
        for (int l = 0; l < sport.count; ++l) {
            League league{sport.first, sport.second, sport.players, {}, {}};
            while (league.teams.size() < 16) {
                Name name;
                if (sport.players) {
                    const auto [surname_ru, surname_en] = Word(3, rng);
                    const auto [given_ru, given_en] = Word(2, rng);
                    name.first = surname_ru + " " + given_ru.substr(0, 1) + ".";
                    name.second = given_en + " " + surname_en;
                } else {
                    const auto [club_ru, club_en] = Word(3, rng);
                    const auto [town_ru, town_en] = Word(2, rng);
                    name.first = club_ru + " " + town_ru;
                    const int style = static_cast<int>(rng() % 6);
                    name.second = style == 0   ? "FC " + club_en + " " + town_en
                                  : style == 1 ? club_en + "-" + town_en
                                               : club_en + " " + town_en;
                }
                if (used.insert(name.first).second) league.teams.push_back(name);
            }
            for (int k = 0; k < 3; ++k) league.kickoffs.push_back(12 * 60 + k * 150 + l % 4 * 15);
            leagues.push_back(std::move(league));
        }
    }
    Lines lines;
    std::set<std::tuple<int, int, int, int>> drawn;
    const int64_t kOffset = 3 * 3'600'000;
    const auto n = static_cast<size_t>(events_per_side);
    while (lines.first.size() < n || lines.second.size() < n) {
        const int l = static_cast<int>(rng() % leagues.size());
        const League& league = leagues[l];
        const int home = static_cast<int>(rng() % 16);
        const int guest = static_cast<int>((home + 1 + rng() % 15) % 16);
        const int day = static_cast<int>(rng() % 28);
        if (!drawn.insert({l, home, guest, day}).second) continue;
        const int minute = league.kickoffs[rng() % league.kickoffs.size()];
        const DateTime start{*table::MakeDateTime({2026, 5, 1 + day, 0, 0, 0, 0})};
        const DateTime at{start.ms + int64_t{minute} * 60'000};
        const int share = static_cast<int>(rng() % 100);
        const bool at_first = share >= 5;
        const bool at_second = league.second_sport && share < 95;
        const double p1 = 1.3 + (rng() % 300) / 100.0;
        const double p2 = 1.3 + (rng() % 300) / 100.0;
        auto row = [&](bool first_side) {
            table::OddsRecord r;
            r.sport_type_name = first_side ? Utf8ToCp1251(league.first_sport) : league.second_sport;
            r.competition_name = first_side ? Utf8ToCp1251("Лига") : "League";
            r.team_h_name = first_side ? league.teams[home].first : league.teams[home].second;
            r.team_g_name = first_side ? league.teams[guest].first : league.teams[guest].second;
            const int drift =
                !first_side && rng() % 30 == 0 ? static_cast<int>(rng() % 21) - 10 : 0;
            r.sport_event_date =
                DateTime{at.ms + (first_side ? 0 : kOffset + int64_t{drift} * 60'000)};
            const double wobble =
                first_side ? 1.0 : 1.0 + (static_cast<int>(rng() % 9) - 4) / 100.0;
            r.P1 = DecimalFromDouble(p1 * wobble);
            if (!league.players) r.X = DecimalFromDouble(3.3 * wobble);
            r.P2 = DecimalFromDouble(p2 / wobble);
            r.F1 = DecimalFromDouble(1.9), r.VF1 = DecimalFromDouble(-0.5);
            r.F2 = DecimalFromDouble(1.9 * wobble), r.VF2 = DecimalFromDouble(0.5);
            r.TM = DecimalFromDouble(1.85), r.TB = DecimalFromDouble(1.95 * wobble);
            r.VT = DecimalFromDouble(2.5);
            r.Key_ID = static_cast<int32_t>(first_side ? lines.first.size() : lines.second.size());
            return r;
        };
        int first_row = -1;
        if (at_first && static_cast<int>(lines.first.size()) < events_per_side) {
            first_row = static_cast<int>(lines.first.size());
            lines.first.push_back(row(true));
        }
        if (at_second && static_cast<int>(lines.second.size()) < events_per_side) {
            const int second_row = static_cast<int>(lines.second.size());
            lines.second.push_back(row(false));
            if (first_row >= 0) lines.true_pairs.emplace_back(first_row, second_row);
        }
    }
    return lines;
}

const Lines& TheLines() {
    static const Lines lines = MakeLines(20'000);
    return lines;
}

void BM_MatchAndCompare(benchmark::State& state) {
    const Lines& lines = TheLines();
    LineOptions options;
    options.include_unmatched = true;
    size_t matched = 0;
    for (auto _ : state) {
        const LineComparison comparison = CompareLines(lines.first, lines.second, options);
        matched = static_cast<size_t>(comparison.matched);
        benchmark::DoNotOptimize(comparison.events.data());
    }
    // How well the matcher did on the synthetic truth.
    const MatchResult match = MatchEvents(lines.first, lines.second);
    std::set<std::pair<int, int>> truth(lines.true_pairs.begin(), lines.true_pairs.end());
    size_t right = 0;
    for (const EventPair& pair : match.pairs) right += truth.count({pair.first, pair.second});
    state.counters["first_rows"] = static_cast<double>(lines.first.size());
    state.counters["second_rows"] = static_cast<double>(lines.second.size());
    state.counters["matched"] = static_cast<double>(matched);
    state.counters["precision"] =
        match.pairs.empty() ? 1.0
                            : static_cast<double>(right) / static_cast<double>(match.pairs.size());
    state.counters["recall"] = static_cast<double>(right) / static_cast<double>(truth.size());
}
BENCHMARK(BM_MatchAndCompare)->Unit(benchmark::kMillisecond);

// A link made by hand: the window merges the last reads again (copies of both lines' rows into
// MergeLines) on the window's thread, so this is how long the window waits after the click.
void BM_MergeAgainAfterALink(benchmark::State& state) {
    const Lines& lines = TheLines();
    for (auto _ : state) {
        MergedLine line = MergeLines(lines.first, lines.second);
        benchmark::DoNotOptimize(line.rows.data());
    }
}
BENCHMARK(BM_MergeAgainAfterALink)->Unit(benchmark::kMillisecond);

// Opening the popup menu on an unmatched event: its five likeliest partners among the other's
// unmatched events.
void BM_LinkCandidates(benchmark::State& state) {
    const Lines& lines = TheLines();
    const MatchResult match = MatchEvents(lines.first, lines.second);
    std::vector<char> paired(lines.second.size(), 0);
    std::vector<char> paired_first(lines.first.size(), 0);
    for (const EventPair& pair : match.pairs) paired[pair.second] = paired_first[pair.first] = 1;
    std::vector<int> unmatched;
    for (size_t i = 0; i < paired.size(); ++i) {
        if (!paired[i]) unmatched.push_back(static_cast<int>(i));
    }
    size_t event = 0;
    while (event < paired_first.size() && paired_first[event]) ++event;
    for (auto _ : state) {
        const std::vector<LinkCandidate> found = LikeliestPartners(
            {&lines.first[event], true, lines.second, unmatched, match.offset_ms, 5});
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["unmatched_second"] = static_cast<double>(unmatched.size());
}
BENCHMARK(BM_LinkCandidates)->Unit(benchmark::kMicrosecond);

// The comparison's peak heap next to the heap the two tables hold (their rows and texts).
void BM_CompareMemory(benchmark::State& state) {
    const size_t before_tables = heap_in_use.load();
    const Lines lines = MakeLines(20'000);
    const size_t tables = heap_in_use.load() - before_tables -
                          lines.true_pairs.capacity() * sizeof(lines.true_pairs[0]);
    double ratio = 0.0;
    for (auto _ : state) {
        const size_t base = heap_in_use.load();
        heap_peak.store(base);
        LineOptions options;
        options.include_unmatched = true;
        const LineComparison comparison = CompareLines(lines.first, lines.second, options);
        benchmark::DoNotOptimize(comparison.events.data());
        ratio = static_cast<double>(heap_peak.load() - base) / static_cast<double>(tables);
    }
    state.counters["tables_MB"] = static_cast<double>(tables) / 1e6;
    state.counters["peak_over_tables"] = ratio;
}
BENCHMARK(BM_CompareMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The demo line's two bookmakers at 20 000 events, the rows exactly as the readers make them (event
// sheets included): what the window matches and merges after "Обе конторы" has read both lines.
struct DemoLines {
    std::vector<table::OddsRecord> first, second;
};

const DemoLines& TheDemoLines() {
    static const DemoLines lines = [] {
        demo::DemoOptions options;
        options.events = 20'000;
        const std::chrono::year_month_day today{std::chrono::year{2026}, std::chrono::month{12},
                                                std::chrono::day{20}};
        options.today = today;
        return DemoLines{demo::BuildFirstLine(options, today).rows,
                         demo::BuildSecondLine(options, today).rows};
    }();
    return lines;
}

// Arg: the threads the names are shared among (MatchOptions::workers).
void BM_MatchDemoLines(benchmark::State& state) {
    const DemoLines& lines = TheDemoLines();
    MatchOptions options;
    options.workers = static_cast<int>(state.range(0));
    size_t matched = 0;
    for (auto _ : state) {
        const MatchResult match = MatchEvents(lines.first, lines.second, options);
        matched = match.pairs.size();
        benchmark::DoNotOptimize(match.pairs.data());
    }
    state.counters["matched"] = static_cast<double>(matched);
}
BENCHMARK(BM_MatchDemoLines)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// MergeLines as the window runs it: both reads' rows handed over, matched, compared and merged into
// the grid's rows (the copies of the rows it is given are not timed). Arg: as for the matching.
void BM_MergeDemoLines(benchmark::State& state) {
    const DemoLines& lines = TheDemoLines();
    LineOptions options;
    options.match.workers = static_cast<int>(state.range(0));
    size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<table::OddsRecord> first = lines.first;
        std::vector<table::OddsRecord> second = lines.second;
        state.ResumeTiming();
        MergedLine line = MergeLines(std::move(first), std::move(second), options);
        rows = line.rows.size();
        benchmark::DoNotOptimize(line.rows.data());
        state.PauseTiming();
        line = MergedLine();  // the old line freed outside the timing
        state.ResumeTiming();
    }
    state.counters["first_rows"] = static_cast<double>(lines.first.size());
    state.counters["second_rows"] = static_cast<double>(lines.second.size());
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_MergeDemoLines)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lintaro::compare

BENCHMARK_MAIN();
