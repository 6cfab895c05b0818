// lintaro-cli load: one bookmaker's refresh as the window runs it, on an emptied odds table, with
// an HTTP client set up as the window sets up its own. The reader's message box becomes a line on
// standard error and exit status 1; the rows go to standard output in the order they were inserted.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/line_reading.h"
#include "cli/table_output.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::cli {

const char kLoadUsage[] =
    R"(usage: lintaro-cli load first|second [--demo [--generation N]] [--first-host HOST[:PORT]]
                        [--second-host HOST[:PORT]] [--today YYYY-MM-DD]
                        [--format jsonl|csv|xls|xlsx] [--out FILE] [--max-size BYTES]
                        [--timeout SECONDS]

Runs the bookmaker's reader exactly as a refresh of the window does on an emptied table, then
prints the rows in the order they were inserted, or the grid's worksheet.

options:
  --demo                     start the built-in demo line server on a free loopback port for this
                             one command and read from it (not with --first-host or --second-host)
  --generation N             with --demo: read that generation of the demo line (the line a
                             moving serve-demo serves on its N-th read), 0 to 100000 (default 0)
  --first-host HOST[:PORT]   the first bookmaker's host (default www.marathonbet.com, port 80)
  --second-host HOST[:PORT]  the second bookmaker's host (default www.pinnaclesports.com, port 80)
  --today YYYY-MM-DD         the local date the readers take as today (default: the local date)
  --format FORMAT            jsonl (one JSON object per row, the default) or csv (a header row,
                             then RFC 4180 rows; a text that begins with = + - @ gets a leading '
                             so that spreadsheets do not run it as a formula), both UTF-8; xls
                             (the window's Excel 4.0 worksheet export of the grid as laid out at
                             start, all rows, dates as dd.MM.yyyy H:mm:ss; at most 16384 rows) or
                             xlsx (the same sheet for spreadsheets, with outline levels and a
                             filter, no row limit)
  --out FILE                 write to FILE instead of standard output; FILE is replaced only
                             once it is complete (xls and xlsx are never written to a terminal)
  --max-size BYTES           fail a fetch whose response body is longer than BYTES, as soon as it
                             passes them (default 67108864, that is 64 MiB; 0: no limit)
  --timeout SECONDS          fail a fetch that takes longer than SECONDS in all, redirects
                             included, as the reader's failure to fetch (default and 0: no limit)
  --help                     show this help and exit

exit status: 0 the line was read and written; 1 the reader reported an error (its message on
standard error; the rows read before it are still written) or the output could not be written
(a folder that cannot take FILE, a full disk, more rows than an xls sheet holds); 2 a usage
mistake.
)";

int RunLoad(const std::vector<std::string>& args) {
    const Args parsed = ParseArgs(args,
                                  {"--first-host", "--second-host", "--today", "--format", "--out",
                                   "--max-size", "--timeout", "--generation"},
                                  {"--demo"});
    const int bookmaker = BookmakerIndex(parsed.positional, "load");
    const TableOutput output = ParseTableOutput(parsed);
    const table::CivilDate today = TodayOption(parsed);
    LineSource source;
    SetUpLineSource(parsed, today, false, source);

    table::OddsTable table;
    table.ResetTable();
    CliReaderUi ui(today);
    source.session.Load(bookmaker, table, ui);

    // The rows read before a reader's failure are written all the same.
    const std::string output_failure = WriteTableOrFailure(table, output);
    for (const std::string& message : ui.messages) {
        std::cerr << "lintaro-cli: " << OneLine(table::Cp1251ToUtf8(message)) << std::endl;
    }
    if (!output_failure.empty())
        std::cerr << "lintaro-cli: " << OneLine(output_failure) << std::endl;
    return ui.messages.empty() && output_failure.empty() ? 0 : 1;
}

}  // namespace lintaro::cli
