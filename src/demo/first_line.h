// The first bookmaker's events in the demo line: each event's prices, lines and event sheet, the
// page's sections, how generation 0 is drawn and how a generation moves. Written into the page by
// first_page.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "demo/moving_line.h"
#include "demo/random_source.h"
#include "demo/rosters.h"
#include "demo/schedule.h"

namespace lintaro::demo {

// The prices and lines of one event of the first bookmaker, in thousandths, and its event sheet.
struct FirstPrices {
    bool has_draw = false;  // the layout quotes a draw (X)
    int p1 = 0, x = 0, p2 = 0;
    std::optional<int> px1, p12, p2x;
    int handicap = 0, f1 = 0, f2 = 0;
    int total = 0, under = 0, over = 0;
    std::string sheet;
    // The margins the markets were drawn with: moves keep close to them.
    double result_margin = 0, handicap_margin = 0, total_margin = 0;
};

struct FirstEvent {
    DrawnEvent drawn;
    FirstPrices prices;
    bool gone = false;  // starts in the generation being made
};

// A section of the page: a tournament the reader reads, or one it must pass over.
struct FirstSection {
    const SkippedSection* skipped = nullptr;  // set for a section the reader passes over
    size_t tournament = 0;                    // else the index into FirstTournaments()
    std::vector<FirstEvent> events;           // listed by start
};

// The first bookmaker's part of the moving line (moving_line.h).
struct FirstBook {
    using Events = std::vector<FirstSection>;
    static constexpr uint64_t kSalt = 0x4D61726166ull;
    // Draws the line of generation 0, section by section, in the order the page lists them.
    static Events Draw(const DemoOptions& options, Rng& rng);
    // Turns the line of generation - 1 into that of `generation`.
    static void Move(Events& sections, const DemoOptions& options, uint32_t generation);
};

// What a MovingFirstLine holds.
struct FirstLineModel : MovingLineState<FirstBook> {
    using MovingLineState::MovingLineState;
    // The page and the rows of the current generation (first_page.cpp).
    FirstLine Line() const;
};

}  // namespace lintaro::demo
