// Reading the program's options.
#include "app/command_line.h"

#include "base/whole_number.h"
#include "readers/line_session.h"
#include "version/version.h"

namespace lintaro::app {

const char* BookmakerChoiceName(int choice) {
    switch (choice) {
        case kSecondBookmaker:
            return "second";
        case kBothBookmakers:
            return "both";
        default:
            return "first";
    }
}

std::optional<int> BookmakerChoiceFromName(std::string_view name) {
    for (int choice = 0; choice < kBookmakerChoiceCount; ++choice) {
        if (name == BookmakerChoiceName(choice)) return choice;
    }
    return std::nullopt;
}

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args) {
    LaunchOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            throw LaunchUsageError("unexpected argument \"" + arg + "\" (see lintaro --help)");
        }
        if (arg.rfind("--", 0) != 0) {
            // "-platform offscreen" and the like: the toolkit's own, with the value after them.
            options.toolkit_args.push_back(arg);
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') {
                options.toolkit_args.push_back(args[++i]);
            }
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const bool takes_value = name == "--first-host" || name == "--second-host" ||
                                 name == "--bookmaker" || name == "--auto-refresh" ||
                                 name == "--timeout" || name == "--stall-timeout";
        std::optional<std::string> value;
        if (equals != std::string::npos) {
            if (!takes_value) throw LaunchUsageError(name + " takes no value");
            value = arg.substr(equals + 1);
        } else if (takes_value) {
            if (i + 1 >= args.size()) throw LaunchUsageError(name + " needs a value");
            value = args[++i];
        }
        if (name == "--demo") {
            options.demo = true;
        } else if (name == "--refresh") {
            options.refresh = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--help") {
            options.help = true;
        } else if (name == "--bookmaker") {
            options.bookmaker = BookmakerChoiceFromName(*value);
            if (!options.bookmaker) {
                throw LaunchUsageError("--bookmaker needs first, second or both, not \"" + *value +
                                       "\"");
            }
        } else if (name == "--auto-refresh") {
            int64_t minutes = 0;
            if (!base::ParseWholeNumber(*value, minutes) || minutes < 1 ||
                minutes > kMaxAutoRefreshMinutes) {
                throw LaunchUsageError("--auto-refresh needs a number of minutes from 1 to " +
                                       std::to_string(kMaxAutoRefreshMinutes) + ", not \"" +
                                       *value + "\"");
            }
            options.auto_refresh_minutes = static_cast<int>(minutes);
        } else if (name == "--timeout" || name == "--stall-timeout") {
            int64_t seconds = 0;
            if (!base::ParseWholeNumber(*value, seconds) || seconds < 0 ||
                seconds > kMaxReadLimitSeconds) {
                throw LaunchUsageError(name + " needs a number of seconds from 0 to " +
                                       std::to_string(kMaxReadLimitSeconds) + ", not \"" + *value +
                                       "\"");
            }
            (name == "--timeout" ? options.timed_timeout_seconds : options.timed_stall_seconds) =
                static_cast<int>(seconds);
        } else if (name == "--first-host" || name == "--second-host") {
            if (!readers::IsHostAndPort(*value)) {
                throw LaunchUsageError(name + " needs HOST or HOST:PORT, not \"" + *value + "\"");
            }
            (name == "--first-host" ? options.first_host : options.second_host) = *value;
        } else {
            throw LaunchUsageError("unknown option " + name + " (see lintaro --help)");
        }
    }
    if (options.demo && (options.first_host || options.second_host)) {
        throw LaunchUsageError(
            "--demo chooses both hosts itself; leave out --first-host and --second-host");
    }
    return options;
}

std::string LaunchUsage() {
    return R"(usage: lintaro [--demo] [--first-host HOST[:PORT]] [--second-host HOST[:PORT]]
               [--bookmaker first|second|both] [--refresh] [--auto-refresh MINUTES]
               [--timeout SECONDS] [--stall-timeout SECONDS] [--version] [--help]

Opens Lintaro's window, a viewer of bookmakers' betting lines. F5 refreshes the line.

  --demo                 serve the built-in demo line on a free loopback port and point both
                         bookmakers' readers at it
  --first-host HOST[:PORT]
                         read the first bookmaker from HOST (port 80 unless given)
  --second-host HOST[:PORT]
                         read the second bookmaker from HOST (port 80 unless given)
  --bookmaker first|second|both
                         the bookmaker a refresh reads for this run, both for the two lines
                         compared; without it, the choice last made in the window's selector
                         (first at the very first start)
  --refresh              refresh once at start, without asking
  --auto-refresh MINUTES read the line again every MINUTES (1 to 1440) without asking, keeping
                         the user's place; a failed read keeps the line on screen
  --timeout SECONDS      a timed read that takes longer than SECONDS in all fails (default 600,
                         or the period of --auto-refresh when shorter; 0: no limit)
  --stall-timeout SECONDS
                         a timed read that receives nothing for SECONDS fails (default 60;
                         0: no limit). A refresh the user starts has no limit: Esc stops it
  --version              print the version and exit
  --help                 print this help and exit

Exit status: 0 when the window was closed, 2 for a mistake in the options.
)";
}

std::string VersionLine() { return std::string("lintaro ") + kVersion; }

}  // namespace lintaro::app
