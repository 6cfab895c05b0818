// The lintaro program's command line: the demo line, other hosts for the two bookmakers, the
// bookmaker a refresh reads, and one refresh at start. Without options the program reads the
// bookmakers' own hosts and waits for the user.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lintaro::app {

// The bookmaker selector's items: what a refresh reads.
enum BookmakerChoice : int {
    kFirstBookmaker = 0,   // "Марафон"
    kSecondBookmaker = 1,  // "Пинакл"
    kBothBookmakers = 2,   // "Обе конторы": both lines, compared
};
inline constexpr int kBookmakerChoiceCount = 3;
// "first", "second", "both": the names --bookmaker takes and the settings file keeps.
const char* BookmakerChoiceName(int choice);
// The choice of a name; nullopt for any other text.
std::optional<int> BookmakerChoiceFromName(std::string_view name);

// A mistake in how the program was called: one line for standard error, exit status 2.
class LaunchUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The longest period --auto-refresh takes: a day.
inline constexpr int kMaxAutoRefreshMinutes = 24 * 60;
// The longest limit --timeout and --stall-timeout take: a day.
inline constexpr int kMaxReadLimitSeconds = 24 * 60 * 60;

struct LaunchOptions {
    bool demo = false;                       // --demo: the built-in demo line on loopback
    std::optional<std::string> first_host;   // --first-host HOST[:PORT]
    std::optional<std::string> second_host;  // --second-host HOST[:PORT]
    // --bookmaker first|second|both: the selector's index for this run; unset, the choice
    // remembered from the last run (the first bookmaker when there is none).
    std::optional<int> bookmaker;
    bool refresh = false;          // --refresh: one refresh at start, without asking
    int auto_refresh_minutes = 0;  // --auto-refresh MINUTES: a timed refresh; 0 off
    // A timed read's limits in seconds (0: none): --timeout for the whole read, --stall-timeout
    // for the longest silence. Unset, the window's defaults hold.
    std::optional<int> timed_timeout_seconds;
    std::optional<int> timed_stall_seconds;
    bool version = false;  // --version
    bool help = false;     // --help
    // Arguments that begin with a single "-", each with the word after it that does not begin
    // with "-": left for the toolkit (-platform offscreen, -style fusion, ...), which must take
    // them all.
    std::vector<std::string> toolkit_args;
};

// Reads the arguments after the program name. Options take their value as "--name VALUE" or
// "--name=VALUE". Throws LaunchUsageError for an unknown "--" option, a missing or malformed value,
// an argument that is no option at all, or --demo together with a host.
LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args);

// The text --help prints, and the line --version prints ("lintaro 1.1.0.0").
std::string LaunchUsage();
std::string VersionLine();

}  // namespace lintaro::app
