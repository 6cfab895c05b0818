// lintaro-cli compare: one event at two bookmakers. Reads both lines (for now two files of rows as
// `load --format jsonl` writes them), matches their events and prints, per matched event, both
// rows, the match's confidence, the best price of every field and where it is, the margin at the
// best prices and the surebets. Everything is read and checked before anything is printed, so bad
// input leaves standard output empty.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/comparison_worksheet.h"
#include "cli/line_reading.h"
#include "compare/aliases.h"
#include "compare/line_comparison.h"
#include "compare/row_lines.h"
#include "export/grid_export.h"
#include "export/replacing_file.h"
#include "export/row_format.h"
#include "export/xlsx_export.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::cli {

using table::OddsRecord;
using worksheet::DecimalText;
using worksheet::ReplacingFile;
using worksheet::RowFormat;
using worksheet::RowOptions;
using worksheet::RowWriter;
using worksheet::SaveGridAsWorksheet;
using worksheet::SaveGridAsXlsx;

const char kCompareUsage[] =
    R"(usage: lintaro-cli compare FIRST.jsonl SECOND.jsonl [OPTIONS]
       lintaro-cli compare --first-host HOST[:PORT] --second-host HOST[:PORT] [--today YYYY-MM-DD]
                           [--max-size BYTES] [--timeout SECONDS] [OPTIONS]
       lintaro-cli compare --demo [--moving] [--generation N] [--events N] [--seed N]
                           [--second-offset MINUTES] [--today YYYY-MM-DD] [OPTIONS]
OPTIONS: [--all] [--surebets] [--bank AMOUNT] [--format jsonl|csv|xls|xlsx] [--out FILE]

Matches the events of the two bookmakers' lines and prints one JSON object per matched event:
where each price is best, the margin at the best prices and the surebets. The lines are two files
of the rows `lintaro-cli load first` and `load second --format jsonl` write (or what `watch`
recorded, exported so); or both bookmakers' lines read from their hosts as `load` reads them, the
two at once; or both lines of the built-in demo line server, started for this one command.

How events are matched: the same sport (футбол/soccer, бейсбол/baseball,
теннис/tennis, ...), the same two teams in the same roles (a rematch with home and guest
swapped is another event) and the same start. Names are compared across scripts: Russian is
transliterated with its common variants (Ю as yu/ju, Й as y/i, Х as kh/h, ...), case, Ё,
punctuation, hyphens and words like ФК/FC/CF are left out, word order does not matter, an
initial stands for a first name ("Уильямс С." is "Serena Williams"), and a small table
knows names that translate (Бавария is Bayern). The second's clock may run a constant offset
from the first's (a time zone): it is worked out from the surest pairs, then a start may differ
from it by at most 15 minutes. Each event matches at most one other, the best total score
winning; a pair that is not clearly better than the next choice stays unmatched, since a wrong
match shows a surebet that does not exist.

The aliases file, $XDG_CONFIG_HOME/lintaro/aliases.tsv (~/.config/lintaro/aliases.tsv without
that variable), links names the matcher cannot: UTF-8 lines of a name at the first, a TAB, the
name at the second, and optionally a TAB and the sport; "#" starts a comment. A linked pair always
matches, and a linked name matches nothing else. A malformed file is named with its line on
standard error and ignored.

Each JSON object has the keys:
  first, second   the event's row at each bookmaker, as `load --format jsonl` writes it, or null
  score           the match's confidence from 0 to 1, or null for an unmatched event
  best            per price field P1 X P2 PX1 P2X P12 F1 F2 TM TB that a side quotes:
                  {"price": 2.3, "from": "first"|"second"|"both"} and for F1 F2 TM TB the "line";
                  handicaps and totals are compared only at equal lines; a price of 1 or less is
                  no price
  margin          1/P1 + 1/X + 1/P2 - 1 at the best prices (1/P1 + 1/P2 - 1 when no side quotes
                  a draw), or null
  surebets        [{"market": "1X2"|"DC"|"F"|"T", "profit": 0.0704, "stakes": {"P1": 42.82, ...},
                  "rounding_cost": 0.02}]: markets where backing every outcome at the best prices
                  wins whatever happens (the match result, each double chance against its
                  opposite, handicaps at opposite lines, totals at one line); profit is
                  1 / sum(1 / price) - 1, the stakes split the bank so that every outcome returns
                  the same, rounded to cents, and rounding_cost is what the rounding costs

sources (instead of the two files):
  --first-host HOST[:PORT]   read the first bookmaker's line from HOST (default
                             www.marathonbet.com, port 80)
  --second-host HOST[:PORT]  read the second bookmaker's line from HOST (default
                             www.pinnaclesports.com, port 80)
  --demo           start the built-in demo line server on a free loopback port and read both of its
                   lines (not with --first-host or --second-host)
  --moving         with --demo: the line moves, as serve-demo --moving; each line is read once,
                   where it stands now: one generation every ten minutes since local midnight
                   (1 to 144), so prices, lines and events differ from the still line and from
                   one run to a later one; --generation chooses the generation instead
  --generation N   with --demo: the generation of the line to read, 0 to 100000 (default 0, the
                   still line)
  --events N       with --demo: the number of events, 0 to 500000 (default 200)
  --seed N         with --demo: the line's random seed, 0 to 4294967295 (default 1)
  --second-offset MINUTES
                   with --demo: how much later the second bookmaker's clock shows an event's
                   start than the first's, -720 to 720 (default -180, three hours earlier)
  --today YYYY-MM-DD, --max-size BYTES, --timeout SECONDS
                   as for load, for each of the two reads
A read that fails (the reader's message, a page past --max-size, a read out of time) is one line
on standard error naming its bookmaker; the other line's events are still written (unmatched,
so with --all), and the status is 1.

options:
  --all            also print each event without a partner (the other side null); every row of
                   both lines then appears exactly once
  --surebets       print only events with a surebet
  --bank AMOUNT    the amount the stakes split (default 100)
  --format FORMAT  jsonl (the default) or csv: one row per event with the columns first_<field>
                   and second_<field> for both rows' 20 fields, score, best_<field>,
                   best_<field>_from and best_<field>_line, margin and surebets (each as
                   "MARKET PROFIT FIELD=STAKE ...", separated by "; "); or a worksheet, xls
                   (Excel 4.0, at most 16384 rows) or xlsx, into the file --out names: the grid's
                   columns with the tournament shown, and for each event a group row (the teams,
                   the match's confidence, the margin at the best prices, each surebet with its
                   stakes and where each is placed at what price) above the event's row at each
                   bookmaker and, for a matched event, a row of the best prices (the tournament
                   "Лучшие цены")
  --out FILE       write to FILE instead of standard output (xls and xlsx: required); FILE is
                   replaced only once complete
  --help           show this help and exit

exit status: 0 the events were compared and written (also when there were none); 1 a file that
is missing, unreadable or not such rows (its name and line on standard error, nothing on standard
output), a bookmaker's line that could not be read, the demo server that could not start, or
output that could not be written; 2 a usage mistake.
)";

namespace {

using compare::ComparedEvent;
using compare::EventComparison;
using compare::LineComparison;

enum class CompareFormat { kJsonl, kCsv, kXls, kXlsx };

// Both lines' rows, wherever they come from, and the message of each side whose read failed
// (that side's rows then left out: a line cut short would show its missing events as unmatched).
struct ComparedLines {
    std::vector<OddsRecord> first;
    std::vector<OddsRecord> second;
    std::vector<std::string> failures;  // one line each, ready for standard error
};

std::vector<OddsRecord> ReadRowFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
    try {
        std::vector<OddsRecord> rows = compare::ReadRowLines(in);
        if (in.bad()) throw std::runtime_error(path + ": cannot be read");
        return rows;
    } catch (const compare::ERowLineError& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

// One bookmaker's line read by its reader, as `load` reads it, on the calling thread.
struct SideRead {
    std::vector<OddsRecord> rows;
    std::vector<std::string> messages;  // UTF-8; empty when the read succeeded
};

void ReadSide(LineSource& source, int bookmaker, table::CivilDate today, SideRead& read) {
    try {
        source.idle_hook.BindToCurrentThread();
        table::OddsTable table;
        table.ResetTable();
        CliReaderUi ui(today);
        source.session.Load(bookmaker, table, ui);
        for (const std::string& message : ui.messages) {
            read.messages.push_back(table::Cp1251ToUtf8(message));
        }
        if (read.messages.empty()) read.rows = table.Rows();
    } catch (const std::exception& e) {
        read.rows.clear();
        read.messages.push_back(e.what());
    }
}

// Both lines from their hosts (or the demo server started for the command), read at once: the
// first on this thread, the second on one of its own, each with its own client.
ComparedLines ReadBothLines(const Args& parsed) {
    if (parsed.Has("--moving") && !parsed.Has("--demo")) {
        throw UsageError("--moving chooses a moving demo line; it needs --demo");
    }
    const table::CivilDate today = TodayOption(parsed);
    LineSource sources[2];
    // Each line is read once: a moving line is read where it stands now (or at --generation).
    const bool moving = parsed.Has("--moving");
    SetUpLineSource(parsed, today, moving, sources[0], moving ? MovingGeneration() : 0);
    SetUpSharedLineSource(parsed, sources[0], sources[1]);

    SideRead reads[2];
    std::thread second([&] { ReadSide(sources[1], 1, today, reads[1]); });
    ReadSide(sources[0], 0, today, reads[0]);
    second.join();

    ComparedLines lines;
    lines.first = std::move(reads[0].rows);
    lines.second = std::move(reads[1].rows);
    const char* names[2] = {"the first bookmaker's line", "the second bookmaker's line"};
    for (int side = 0; side < 2; ++side) {
        for (const std::string& message : reads[side].messages) {
            lines.failures.push_back(std::string(names[side]) + ": " + OneLine(message));
        }
    }
    return lines;
}

// The one place that picks the source: two files, or both bookmakers' hosts (the demo's included).
ComparedLines ReadComparedLines(const Args& parsed) {
    static const char* const kHostOptions[] = {
        "--demo",  "--moving",  "--generation", "--events",     "--seed",       "--second-offset",
        "--today", "--timeout", "--max-size",   "--first-host", "--second-host"};
    const char* host_option = nullptr;
    for (const char* option : kHostOptions) {
        if (parsed.Has(option) && !host_option) host_option = option;
    }
    if (!host_option) {
        if (parsed.positional.size() != 2) {
            throw UsageError(
                "compare takes two files, FIRST.jsonl and SECOND.jsonl, or --demo, or "
                "--first-host and --second-host");
        }
        ComparedLines lines;
        lines.first = ReadRowFile(parsed.positional[0]);
        lines.second = ReadRowFile(parsed.positional[1]);
        return lines;
    }
    if (!parsed.positional.empty()) {
        throw UsageError(std::string(host_option) +
                         " reads the lines from the bookmakers' hosts; leave out the files");
    }
    return ReadBothLines(parsed);
}

double BankOption(const Args& parsed) {
    if (!parsed.Has("--bank")) return 100.0;
    const std::string text = parsed.Value("--bank");
    char* end = nullptr;
    errno = 0;
    const double bank = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !(bank >= 0.01 && bank <= 1e12) ||
        text.find_first_not_of("0123456789.") != std::string::npos) {
        throw UsageError("--bank needs an amount from 0.01 to 1000000000000, not \"" + text + "\"");
    }
    return bank;
}

// A number for the output: at most `digits` decimals, no exponent, no trailing zeros.
std::string Number(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    if (out == "-0") out = "0";
    return out;
}

// Renders rows with the row writer: one JSON object, or one CSV record's 20 cells.
class RowText {
  public:
    RowText(RowFormat format, bool to_terminal)
        : writer_(buffer_, format, RowOptions{.escape_control_bytes = to_terminal}) {
        buffer_.str("");  // the CSV header the writer starts with
    }
    std::string Of(const OddsRecord& row) {
        buffer_.str("");
        writer_.Write(row);
        std::string text = buffer_.str();
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    }

  private:
    std::ostringstream buffer_;
    RowWriter writer_;
};

void AppendSurebetsJson(std::string& out, const EventComparison& c) {
    out += '[';
    for (size_t s = 0; s < c.surebets.size(); ++s) {
        const compare::Surebet& surebet = c.surebets[s];
        if (s > 0) out += ',';
        out += "{\"market\":\"" + surebet.market + "\",\"profit\":" + Number(surebet.profit, 6) +
               ",\"stakes\":{";
        for (size_t k = 0; k < surebet.stakes.size(); ++k) {
            if (k > 0) out += ',';
            out += '"';
            out += compare::PriceFieldName(surebet.stakes[k].field);
            out += "\":" + Number(surebet.stakes[k].amount, 2);
        }
        out += "},\"rounding_cost\":" + Number(surebet.rounding_cost, 2) + "}";
    }
    out += ']';
}

std::string JsonLine(const ComparedEvent& event, const ComparedLines& lines, RowText& rows) {
    std::string out = "{\"first\":";
    out += event.first >= 0 ? rows.Of(lines.first[event.first]) : "null";
    out += ",\"second\":";
    out += event.second >= 0 ? rows.Of(lines.second[event.second]) : "null";
    out += ",\"score\":";
    out += event.score ? Number(*event.score, 4) : "null";
    out += ",\"best\":{";
    const EventComparison& c = event.comparison;
    for (size_t b = 0; b < c.best.size(); ++b) {
        const compare::BestPrice& best = c.best[b];
        if (b > 0) out += ',';
        out += '"';
        out += compare::PriceFieldName(best.field);
        out += "\":{\"price\":" + DecimalText(best.price) + ",\"from\":\"" +
               compare::WhereName(best.from) + '"';
        if (best.field >= compare::PriceField::kF1) {
            out += ",\"line\":";
            out += best.line ? DecimalText(*best.line) : "null";
        }
        out += '}';
    }
    out += "},\"margin\":";
    out += c.margin ? Number(*c.margin, 6) : "null";
    out += ",\"surebets\":";
    AppendSurebetsJson(out, c);
    out += "}\n";
    return out;
}

std::string CsvHeader() {
    std::string out;
    for (const char* side : {"first_", "second_"}) {
        for (const table::FieldDef& field : table::kOddsFields) {
            out += side;
            out += field.name;
            out += ',';
        }
    }
    out += "score";
    for (int f = 0; f < compare::kPriceFieldCount; ++f) {
        const auto field = static_cast<compare::PriceField>(f);
        const std::string name = compare::PriceFieldName(field);
        out += ",best_" + name + ",best_" + name + "_from";
        if (field >= compare::PriceField::kF1) out += ",best_" + name + "_line";
    }
    out += ",margin,surebets\r\n";
    return out;
}

std::string CsvLine(const ComparedEvent& event, const ComparedLines& lines, RowText& rows) {
    const std::string empty_row(table::kOddsFieldCount - 1, ',');
    std::string out = event.first >= 0 ? rows.Of(lines.first[event.first]) : empty_row;
    out += ',';
    out += event.second >= 0 ? rows.Of(lines.second[event.second]) : empty_row;
    out += ',';
    if (event.score) out += Number(*event.score, 4);
    const EventComparison& c = event.comparison;
    for (int f = 0; f < compare::kPriceFieldCount; ++f) {
        const auto field = static_cast<compare::PriceField>(f);
        const compare::BestPrice* found = nullptr;
        for (const compare::BestPrice& best : c.best) {
            if (best.field == field) found = &best;
        }
        out += ',';
        if (found) out += DecimalText(found->price);
        out += ',';
        if (found) out += compare::WhereName(found->from);
        if (field >= compare::PriceField::kF1) {
            out += ',';
            if (found && found->line) out += DecimalText(*found->line);
        }
    }
    out += ',';
    if (c.margin) out += Number(*c.margin, 6);
    out += ',';
    for (size_t s = 0; s < c.surebets.size(); ++s) {
        const compare::Surebet& surebet = c.surebets[s];
        if (s > 0) out += "; ";
        out += surebet.market + ' ' + Number(surebet.profit, 6);
        for (const compare::Stake& stake : surebet.stakes) {
            out += ' ';
            out += compare::PriceFieldName(stake.field);
            out += '=' + Number(stake.amount, 2);
        }
    }
    out += "\r\n";
    return out;
}

void WriteEvents(std::ostream& out, const LineComparison& comparison, const ComparedLines& lines,
                 CompareFormat format, bool to_terminal) {
    RowText rows(format == CompareFormat::kCsv ? RowFormat::kCsv : RowFormat::kJsonl, to_terminal);
    std::string chunk;
    if (format == CompareFormat::kCsv) chunk = CsvHeader();
    for (const ComparedEvent& event : comparison.events) {
        chunk += format == CompareFormat::kCsv ? CsvLine(event, lines, rows)
                                               : JsonLine(event, lines, rows);
        if (chunk.size() >= (1 << 16)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.flush();
    if (!out) throw std::runtime_error("Cannot write the events: the output stream failed");
}

}  // namespace

int RunCompare(const std::vector<std::string>& args) {
    const Args parsed = ParseArgs(
        args,
        {"--bank", "--format", "--out", "--first-host", "--second-host", "--today", "--max-size",
         "--timeout", "--generation", "--events", "--seed", "--second-offset"},
        {"--all", "--surebets", "--demo", "--moving"});
    const std::string format_name = parsed.Value("--format", "jsonl");
    CompareFormat format;
    if (format_name == "jsonl") {
        format = CompareFormat::kJsonl;
    } else if (format_name == "csv") {
        format = CompareFormat::kCsv;
    } else if (format_name == "xls") {
        format = CompareFormat::kXls;
    } else if (format_name == "xlsx") {
        format = CompareFormat::kXlsx;
    } else {
        throw UsageError("compare writes --format jsonl, csv, xls or xlsx, not \"" + format_name +
                         "\"");
    }
    if (parsed.Has("--out") && parsed.Value("--out").empty()) {
        throw UsageError("--out needs a file name");
    }
    const bool worksheet = format == CompareFormat::kXls || format == CompareFormat::kXlsx;
    if (worksheet && !parsed.Has("--out")) {
        throw UsageError("--format " + format_name +
                         " writes a worksheet into a file: add --out FILE");
    }
    compare::LineOptions options;
    options.bank = BankOption(parsed);
    options.include_unmatched = parsed.Has("--all");
    options.surebets_only = parsed.Has("--surebets");

    const ComparedLines lines = ReadComparedLines(parsed);
    const compare::AliasesLoad aliases = LoadUserAliases();
    if (!aliases.aliases.Empty()) options.match.aliases = &aliases.aliases;
    const LineComparison comparison = compare::CompareLines(lines.first, lines.second, options);

    // A side whose read failed: its message, and the other side's events are written all the
    // same; the status says the comparison is not whole.
    for (const std::string& failure : lines.failures) {
        std::cerr << "lintaro-cli: " << failure << std::endl;
    }
    if (worksheet) {
        ComparisonWorksheet sheet;
        DescribeComparison(comparison, lines.first, lines.second, sheet);
        if (format == CompareFormat::kXls) {
            SaveGridAsWorksheet(sheet.worksheet, parsed.Value("--out"), true);
        } else {
            SaveGridAsXlsx(sheet.worksheet, parsed.Value("--out"));
        }
    } else if (!parsed.Has("--out")) {
        WriteEvents(std::cout, comparison, lines, format, isatty(STDOUT_FILENO));
    } else {
        ReplacingFile file(parsed.Value("--out"));
        std::ostringstream buffer;
        WriteEvents(buffer, comparison, lines, format, false);
        file.Write(buffer.str());
        file.Commit();
    }
    return lines.failures.empty() ? 0 : 1;
}

}  // namespace lintaro::cli
