// The second bookmaker's events in the demo line: each event's prices and lines, the events the
// reader must pass over, how generation 0 is drawn and how a generation moves. Written into the
// tournament pages by second_page.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "demo/demo_line.h"
#include "demo/first_line.h"
#include "demo/moving_line.h"
#include "demo/random_source.h"
#include "demo/rosters.h"
#include "demo/schedule.h"

namespace lintaro::demo {

// The prices and lines of one event of the second bookmaker, in thousandths.
struct SecondPrices {
    int p1 = 0, x = 0, p2 = 0;
    bool has_handicap = false, has_total = false;
    int handicap = 0, f1 = 0, f2 = 0;
    int total = 0, under = 0, over = 0;
    bool split_total = false;  // "2.5 and 3": the reader keeps 2.5
    // The margins the markets were drawn with: moves keep close to them.
    double result_margin = 0, handicap_margin = 0, total_margin = 0;
};

struct SecondEvent {
    DrawnEvent drawn;
    // Events the reader must pass over: a start not yet announced, a draw cell with nothing
    // before "Draw", a player whose name the tennis row pattern cannot take.
    bool to_be_announced = false;
    bool bare_draw = false;
    bool hyphenated = false;
    SecondPrices prices;
    bool gone = false;  // starts in the generation being made
    // An event of a shared tournament: the first bookmaker's event it is, and its minute of the
    // day on this bookmaker's page (its clock is its own, so no kick-off of the list).
    bool shared = false;
    DrawnEvent first;
    int page_minute = 0;
    bool surebet = false;  // priced far from the first bookmaker on purpose
};

// One tournament page's events, listed by start, in the list's order of tournaments.
using SecondEvents = std::vector<std::vector<SecondEvent>>;

// The second bookmaker's part of the moving line (moving_line.h).
struct SecondBook {
    using Events = SecondEvents;
    static constexpr uint64_t kSalt = 0x50696E6E61ull;
    // Draws the line of generation 0, tournament by tournament.
    static Events Draw(const DemoOptions& options, Rng& rng);
    // Turns the line of generation - 1 into that of `generation`. Only the tournaments the reader
    // reads move; the others are there to be passed over.
    static void Move(Events& line, const DemoOptions& options, uint32_t generation);
};

// What a MovingSecondLine holds: its own events, and the first bookmaker's line whose events
// of the shared tournaments it carries, moved on together one generation at a time.
struct SecondLineModel : MovingLineState<SecondBook> {
    SecondLineModel(const DemoOptions& options, std::chrono::year_month_day today);
    void Advance();
    // The pages, rows and pairs of the current generation (second_page.cpp).
    SecondLine Line() const;
    // Brings the shared tournaments up to the first bookmaker's events of the moment: events it
    // no longer lists leave, new ones are priced from the first's prices.
    void Follow();
    MovingLineState<FirstBook> first_line;
};

}  // namespace lintaro::demo
