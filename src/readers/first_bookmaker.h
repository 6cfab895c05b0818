// The first bookmaker's line reader: one odds page holds every sport, cut into sections (one per
// sport and tournament) whose events are read with a pattern chosen by sport, one odds row each.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "readers/event_date.h"
#include "readers/reader_context.h"

namespace lintaro::table {
class OddsTable;
}  // namespace lintaro::table

namespace lintaro::readers {

inline constexpr char kFirstBookmakerHost[] = "www.marathonbet.com";

// The odds page on `host` ("name" or "name:port").
std::string FirstBookmakerPageUrl(const std::string& host);

// Reads a page (already passed through NormalizeLines, so every line ends in CR LF) and inserts one
// row per readable event, numbered 1, 2, 3, ... in reading order. Sections of unknown sports or of
// summary tournaments, and events whose date or time cannot be read, are passed over; a row the
// table refuses is lost but keeps its number. Failures it does not handle (from the matcher, for
// instance) propagate; the rows inserted before them stay.
void ParseFirstBookmakerPage(std::string_view page_lines, table::OddsTable& table,
                             const table::CivilDate& today);

// The whole refresh of the first bookmaker: fetches the page from `host`, parses it into
// context.table with display suspended and the wait cursor shown, and reports a failure in one
// message box. Throws nothing of its own (only a failing message box propagates, after display
// is resumed and the cursor restored); a fetch the user cancelled ends it quietly.
void LoadFirstBookmaker(const ReaderContext& context,
                        const std::string& host = kFirstBookmakerHost);

// Pieces of the page parse, exposed so that a benchmark can drive the same conversions with
// another matcher. The section pattern's groups: 1 sport, 2 tournament, 3 section body.
extern const char kFirstBookmakerSectionPattern[];
// The event pattern for a sport name (trimmed, lower-cased, Windows-1251), or nullptr for a sport
// that is not read.
const char* FirstBookmakerEventPattern(const std::string& sport_name);
// True when the tournament name, in any letter case, holds a word of a summary tournament.
bool IsSkippedTournament(const std::string& tournament_name);
// Turns one event match (`group(n)` gives capture n of the event pattern) into a row and inserts
// it, numbering it with ++count; an unreadable start inserts nothing and leaves count alone.
void InsertFirstBookmakerEvent(const std::function<std::string(int)>& group,
                               const std::string& sport_name, const std::string& tournament_name,
                               table::OddsTable& table, const table::CivilDate& today,
                               int32_t& count);

}  // namespace lintaro::readers
