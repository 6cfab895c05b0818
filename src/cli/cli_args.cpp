// Option parsing and message helpers of lintaro-cli.
#include "cli/cli_args.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "base/control_bytes.h"
#include "base/whole_number.h"

namespace lintaro::cli {

std::string Args::Value(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

Args ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& with_value,
               const std::set<std::string>& without_value) {
    Args result;
    bool options_done = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_done || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            result.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inline_value = false;
        if (auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inline_value = true;
        }
        if (with_value.count(name)) {
            if (!inline_value) {
                if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
                value = args[++i];
            }
            result.values[name] = value;
        } else if (without_value.count(name) && !inline_value) {
            result.flags.insert(name);
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    return result;
}

worksheet::RowFormat ParseRowFormat(const std::string& name) {
    if (const auto format = worksheet::RowFormatFromName(name)) return *format;
    throw UsageError("unknown row format \"" + name + "\": use jsonl or csv");
}

table::CivilDate TodayOption(const Args& args) {
    if (!args.Has("--today")) return table::LocalToday();
    const std::string value = args.Value("--today");
    const std::optional<table::CivilDate> today = table::ParseIsoDate(value);
    if (!today) throw UsageError("--today needs a date as YYYY-MM-DD, not \"" + value + "\"");
    return *today;
}

long long WholeNumberOption(const Args& args, const std::string& option, long long lo, long long hi,
                            long long fallback) {
    if (!args.Has(option)) return fallback;
    const std::string text = args.Value(option);
    int64_t value = 0;
    if (!base::ParseWholeNumber(text, value) || value < lo || value > hi) {
        throw UsageError(option + " needs a whole number from " + std::to_string(lo) + " to " +
                         std::to_string(hi) + ", not \"" + text + "\"");
    }
    return value;
}

std::uint64_t MaxSizeOption(const Args& args, std::uint64_t fallback) {
    return static_cast<std::uint64_t>(
        WholeNumberOption(args, "--max-size", 0, INT64_MAX, static_cast<long long>(fallback)));
}

int TimeoutOption(const Args& args) {
    // Whole seconds, as many as milliseconds in an int allow (about 24 days).
    return static_cast<int>(WholeNumberOption(args, "--timeout", 0, INT_MAX / 1000, 0)) * 1000;
}

std::string OneLine(std::string_view message) {
    // A server's status line or a page's text must not reach the terminal as an escape sequence, a
    // bell or a backspace.
    return base::EscapeControlBytes(message);
}

std::string FileFailure(std::string_view action, const std::string& path) {
    const int error = errno;
    return "Cannot " + std::string(action) + " file " + path + ": " +
           (error != 0 ? std::strerror(error) : "input/output error");
}

std::string ReadFileBytes(const std::string& path) {
    errno = 0;  // so that the reason is the one of the call that fails here
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(FileFailure("read", path));
    std::ostringstream data;
    data << in.rdbuf();
    if (in.bad()) throw std::runtime_error(FileFailure("read", path));
    return data.str();
}

}  // namespace lintaro::cli
