// Reading back rows as `lintaro-cli load --format jsonl` writes them: one JSON object per line
// with the 20 field names as keys; texts as strings (UTF-8, converted to Windows-1251), decimals as
// numbers, the date-time as "YYYY-MM-DDTHH:MM:SS.mmm" (the milliseconds may be left out), Key_ID
// as an integer, any field as null. The reader is strict: every key must be there exactly once,
// of its type, and nothing else; blank lines are skipped.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "table/odds_table.h"

namespace lintaro::compare {

// What a line that is not such a row raises: the message names the line ("line 3: ...").
class ERowLineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One line (without its line end) as a row. Throws ERowLineError with the reason (no line number).
table::OddsRecord ParseRowLine(std::string_view line);

// Every row of the stream, in order. Throws ERowLineError "line N: reason" for the first line that
// is not a row.
std::vector<table::OddsRecord> ReadRowLines(std::istream& in);

}  // namespace lintaro::compare
