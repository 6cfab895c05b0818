// Command-line plumbing shared by the lintaro-cli subcommands: option parsing with "--" as the end
// of options, and the one-line rule for every message the CLI prints.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/row_format.h"
#include "table/date_time.h"

namespace lintaro::cli {

// A mistake in how the command was called; main prints it and exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The parsed arguments of one subcommand.
struct Args {
    std::vector<std::string> positional;        // in the order given
    std::map<std::string, std::string> values;  // "--name" -> value (the last one given wins)
    std::set<std::string> flags;                // "--name" for options without a value

    bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
    // The option's value, or `fallback` when it was not given.
    std::string Value(const std::string& name, const std::string& fallback = "") const;
};

// Splits `args` into options and positional arguments. `with_value` lists the options that take a
// value (as "--name VALUE" or "--name=VALUE"), `without_value` those that do not. Everything after
// "--" is positional, so a pattern may begin with "-". Throws UsageError for an unknown option or a
// missing value.
Args ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& with_value,
               const std::set<std::string>& without_value);

// The value of --format for row output: "jsonl" or "csv"; anything else throws UsageError.
worksheet::RowFormat ParseRowFormat(const std::string& name);

// The value of --today, the local date the readers take as today: a real day written exactly as
// YYYY-MM-DD; without the option, today's local date. Anything else throws UsageError.
table::CivilDate TodayOption(const Args& args);

// The value of `option` as a whole decimal number from `lo` to `hi`, or `fallback` when the option
// was not given. Anything else throws UsageError naming the option and the range.
long long WholeNumberOption(const Args& args, const std::string& option, long long lo, long long hi,
                            long long fallback);

// The value of --max-size, the longest response body a fetch accepts in bytes (0: no limit), or
// `fallback` without the option. Anything but a whole number from 0 up throws UsageError.
std::uint64_t MaxSizeOption(const Args& args, std::uint64_t fallback);

// The value of --timeout, the longest a whole fetch may take, in milliseconds (0: no limit, also
// without the option). Anything but a whole number of seconds from 0 up throws UsageError.
int TimeoutOption(const Args& args);

// Makes a message one line of printable text: CR becomes "\r", LF becomes "\n", every other control
// byte (below 0x20, and 0x7F) "\xNN" in capital hex digits; a backslash stays as it is, and bytes
// from 0x80 up are kept.
std::string OneLine(std::string_view message);

// "Cannot ACTION file PATH: REASON", the reason being the system's text for errno (set by the call
// that just failed).
std::string FileFailure(std::string_view action, const std::string& path);

// Reads a whole file as raw bytes; throws std::runtime_error("Cannot read file NAME: reason").
std::string ReadFileBytes(const std::string& path);

}  // namespace lintaro::cli
