// The demo line: deterministic pages in both bookmakers' formats, generated from a seed, an event
// count and a "today", together with the exact odds rows the readers make of them. The demo server
// serves these pages; tests and benchmarks compare the readers' rows with the published ones.
//
// Where it is made: the rosters (rosters.h, first_rosters.cpp, second_rosters.cpp), the schedule
// of events and the moving line's turnover (schedule.h), prices, ticks and margins
// (market_moves.h, random_source.h), the one moving-line template (moving_line.h), each
// bookmaker's events (first_line.h/.cpp, second_line.h/.cpp) and page writers (first_page.cpp,
// second_page.cpp), the texts of numbers and dates (page_text.h), the options check
// (demo_options.cpp).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "table/date_time.h"
#include "table/odds_table.h"

namespace lintaro::demo {

// What the demo line publishes. The same options always give the same pages, byte for byte. Every
// line is plausible at every size and generation: each market (match result, double chance,
// handicap pair, total pair) keeps a margin of 3-7%, and no team plays two events within a day of
// each other (a line too large for the real clubs' rosters gets built teams, "Торпедо Тула",
// "Riverton Rovers", rather than a longer span, so every event still starts within four weeks).
struct DemoOptions {
    uint32_t seed = 1;
    // Events on the first bookmaker's odds page, and events over all of the second bookmaker's
    // tournament pages (a few of them are deliberately unreadable and publish no row).
    int events = 200;
    // The date the line is published on: every event starts within the four weeks after it. Unset:
    // the local date when the server starts. Give the readers the same date as their "today".
    std::optional<std::chrono::year_month_day> today;
    // The line's generation: 0 is the line the seed gives; each later generation is the one
    // before with a few changes (a few markets move by a tick or two with their margins kept, now
    // and then a handicap or total line moves, the earliest few events start and leave the line,
    // a few new ones appear three to four weeks ahead, never one already on the line). Building
    // generation g replays g steps, so its cost grows with g; at most kMaxDemoGeneration.
    uint32_t generation = 0;
    // The second bookmaker's clock against the first's, in minutes: an event both carry starts
    // at the second this much later (earlier when negative) than at the first, as the readers'
    // rows say, a few events a few minutes more or less. Within -12..+12 hours.
    int second_offset_minutes = -180;
};

// Largest event count the generator accepts (about 250 MB of pages); more throws
// std::invalid_argument, as does a negative count.
inline constexpr int kMaxDemoEvents = 500'000;
// Largest generation the generator accepts (more throws std::invalid_argument): a moving server
// that reaches it stays there.
inline constexpr uint32_t kMaxDemoGeneration = 100'000;

// Throws std::invalid_argument, with a message that names the option and its range, for an event
// count or a generation out of range. The line's builders and the demo server check with it.
void CheckDemoOptions(const DemoOptions& options);

// The first bookmaker's line: its one odds page (Windows-1251, LF line ends) and the rows its
// reader inserts from it, in insertion order.
struct FirstLine {
    std::string page;
    std::vector<table::OddsRecord> rows;
};

// One tournament page of the second bookmaker, asked for as PAGE?...&League=<league>.
struct SecondTournamentPage {
    std::string sport;  // "soccer", "baseball" or "tennis"
    int league = 0;     // the page's "League" query value
    std::string page;   // Windows-1251, CR LF line ends
};

// The second bookmaker's line: its home page, the tournament list ("/decimal.asp"), every
// tournament page, and the rows its reader inserts from them, in insertion order.
// One event as a reader's row names it: sport, tournament, teams and start, exactly as stored.
struct DemoRowIdentity {
    std::string sport;
    std::string competition;
    std::string home;
    std::string guest;
    table::DateTime start;
    bool operator==(const DemoRowIdentity&) const = default;
};

// One event both bookmakers publish a row of: its first and its second row.
struct DemoPair {
    DemoRowIdentity first;
    DemoRowIdentity second;
};

// Soccer, baseball and tennis come from one set of events: the second bookmaker carries most of
// the first's events of the tournaments it shares (in English, "Serena Williams" for
// "Уильямс С.", at its own clock, with its own prices and margins), a few of them priced far
// enough from the first for a surebet across the two, and tournaments of its own besides.
struct SecondLine {
    std::string home_page;
    std::string list_page;
    std::vector<SecondTournamentPage> pages;
    std::vector<table::OddsRecord> rows;
    // The events with a row at both bookmakers, in the order of the second's rows.
    std::vector<DemoPair> pairs;
};

// The line of `options` (its generation included) published on `today`. Throws
// std::invalid_argument for an event count or a generation out of range.
FirstLine BuildFirstLine(const DemoOptions& options, std::chrono::year_month_day today);
SecondLine BuildSecondLine(const DemoOptions& options, std::chrono::year_month_day today);

// A line that moves on one generation at a time, each step as cheap as the line is long (building
// generation g afresh replays g steps): what a moving demo server holds. It starts at the options'
// generation; Line() is what Build...Line gives for the current generation. Advance goes on past
// kMaxDemoGeneration. `Model` is the bookmaker's events as they move (first_line.h, second_line.h);
// `Published` the pages and rows it shows.
template <typename Model, typename Published>
class MovingLine {
  public:
    MovingLine(const DemoOptions& options, std::chrono::year_month_day today);  // as Build...Line
    ~MovingLine();
    MovingLine(MovingLine&&) noexcept;
    MovingLine& operator=(MovingLine&&) noexcept;

    uint32_t Generation() const;
    void Advance();
    Published Line() const;

  private:
    std::unique_ptr<Model> model_;
};

struct FirstLineModel;
struct SecondLineModel;
using MovingFirstLine = MovingLine<FirstLineModel, FirstLine>;
using MovingSecondLine = MovingLine<SecondLineModel, SecondLine>;
// Made once each, in first_line.cpp and second_line.cpp.
extern template class MovingLine<FirstLineModel, FirstLine>;
extern template class MovingLine<SecondLineModel, SecondLine>;

// The rows the readers insert from the demo line published on `today`, in insertion order.
std::vector<table::OddsRecord> PublishedFirstRows(const DemoOptions& options,
                                                  std::chrono::year_month_day today);
std::vector<table::OddsRecord> PublishedSecondRows(const DemoOptions& options,
                                                   std::chrono::year_month_day today);
// The true pairs of the two lines of `options` (its generation included): what a matcher of the
// two bookmakers' rows should find, no more.
std::vector<DemoPair> PublishedPairs(const DemoOptions& options, std::chrono::year_month_day today);

// A date of the odds table's calendar as the demo line's date.
std::chrono::year_month_day ToYearMonthDay(const table::CivilDate& date);

}  // namespace lintaro::demo
