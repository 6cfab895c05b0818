// lintaro-cli parse: runs one bookmaker's page parse over a saved page, so that pages can be read
// and checked without the network. The rows go to standard output in the order they were inserted.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/table_output.h"
#include "readers/first_bookmaker.h"
#include "readers/second_bookmaker.h"
#include "readers/text_conversions.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::cli {

const char kParseUsage[] =
    R"(usage: lintaro-cli parse first FILE [--today YYYY-MM-DD] [--format jsonl|csv|xls|xlsx]
                         [--out FILE]
       lintaro-cli parse second FILE --sport KEY --name NAME [--today YYYY-MM-DD]
                         [--format jsonl|csv|xls|xlsx] [--out FILE]

Reads a saved page of the first bookmaker, or a saved tournament page of the second, into a fresh
odds table and prints its rows in the order they were inserted, or the grid's worksheet.

options:
  --sport KEY         the second bookmaker's sport: soccer, baseball or tennis
  --name NAME         the tournament's name as UTF-8 text (parse second)
  --today YYYY-MM-DD  the local date the readers take as today (default: the local date)
  --format FORMAT     jsonl (one JSON object per row, the default) or csv (a header row, then
                      RFC 4180 rows; a text that begins with = + - @ gets a leading ' so that
                      spreadsheets do not run it as a formula), both UTF-8; xls (the window's
                      Excel 4.0 worksheet export of the grid as laid out at start, all rows,
                      dates as dd.MM.yyyy H:mm:ss; at most 16384 rows) or xlsx (the same sheet
                      for spreadsheets, with outline levels and a filter, no row limit)
  --out FILE          write to FILE instead of standard output; FILE is replaced only once it
                      is complete (xls and xlsx are never written to a terminal)
  --help              show this help and exit

exit status: 0 the page was read and written; 1 the file cannot be read, the parse failed (the
message on standard error; the rows inserted before the failure are still written) or the output
could not be written (a folder that cannot take FILE, a full disk, more rows than an xls sheet
holds); 2 a usage mistake.
)";

int RunParse(const std::vector<std::string>& args) {
    const Args parsed = ParseArgs(args, {"--today", "--format", "--out", "--sport", "--name"}, {});
    if (parsed.positional.size() != 2) {
        throw UsageError("parse needs a bookmaker (first or second) and a FILE");
    }
    const std::string& bookmaker = parsed.positional[0];
    const std::string& path = parsed.positional[1];
    if (bookmaker != "first" && bookmaker != "second") {
        throw UsageError("unknown bookmaker " + bookmaker + " (first or second)");
    }
    const bool second = bookmaker == "second";
    std::string sport;
    std::string name;
    if (second) {
        if (!parsed.Has("--sport") || !parsed.Has("--name")) {
            throw UsageError("parse second needs --sport KEY and --name NAME");
        }
        sport = parsed.Value("--sport");
        if (sport != "soccer" && sport != "baseball" && sport != "tennis") {
            throw UsageError("unknown sport " + sport + " (soccer, baseball or tennis)");
        }
        // Names are page bytes in the reader; the command line gives them as UTF-8.
        name = table::Utf8ToCp1251(parsed.Value("--name"));
    } else if (parsed.Has("--sport") || parsed.Has("--name")) {
        throw UsageError("--sport and --name belong to parse second");
    }
    const TableOutput output = ParseTableOutput(parsed);
    const table::CivilDate today = TodayOption(parsed);
    const std::string page_lines = readers::NormalizeLines(ReadFileBytes(path));

    table::OddsTable table;
    table.ResetTable();
    std::string failure;
    try {
        if (second) {
            readers::ParseSecondBookmakerPage(page_lines, sport, name, table, today);
        } else {
            readers::ParseFirstBookmakerPage(page_lines, table, today);
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    // The rows read before a failure are written all the same.
    const std::string output_failure = WriteTableOrFailure(table, output);
    if (!failure.empty()) std::cerr << "lintaro-cli: " << OneLine(failure) << std::endl;
    if (!output_failure.empty())
        std::cerr << "lintaro-cli: " << OneLine(output_failure) << std::endl;
    return failure.empty() && output_failure.empty() ? 0 : 1;
}

}  // namespace lintaro::cli
