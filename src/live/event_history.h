// One event's prices over time, read back from a history database of the recorder's schema (the
// file lintaro-cli watch writes and the window keeps): what an event's chart and its table show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table/odds_table.h"

namespace lintaro::live {

// The event's row as one read of its bookmaker found it.
struct HistoryPoint {
    std::string time;       // the read's time as recorded: ISO 8601 with the local offset
    table::OddsRecord row;  // Windows-1251 texts, as the odds table holds them
};

// The event_key the recorder stores for `row` (see EventKey): the key to ask the history with.
int64_t EventKeyOf(const table::OddsRecord& row);

// The rows of the event `event_key` at `bookmaker` ("first" or "second"), one per successful read
// that had the event on its line, oldest first. Throws ERecorderError when the file cannot be read.
std::vector<HistoryPoint> ReadEventHistory(const std::string& path, const std::string& bookmaker,
                                           int64_t event_key);

}  // namespace lintaro::live
