// The lintaro-cli subcommands. Each takes the arguments after its own name and returns the process
// exit status; a UsageError it throws is reported by main with status 2.
#pragma once

#include <string>
#include <vector>

namespace lintaro::cli {

int RunMatch(const std::vector<std::string>& args);      // cmd_match.cpp
int RunFetch(const std::vector<std::string>& args);      // cmd_fetch.cpp
int RunParse(const std::vector<std::string>& args);      // cmd_parse.cpp
int RunLoad(const std::vector<std::string>& args);       // cmd_load.cpp
int RunServeDemo(const std::vector<std::string>& args);  // cmd_serve_demo.cpp
int RunWatch(const std::vector<std::string>& args);      // cmd_watch.cpp
int RunCompare(const std::vector<std::string>& args);    // cmd_compare.cpp

// Each command's help, printed by "lintaro-cli COMMAND --help" and "lintaro-cli help COMMAND": its
// synopsis up to the first empty line (the general usage lists these), what it does, every option
// it accepts, and its exit statuses. Keep it beside the command's own option list.
extern const char kMatchUsage[];      // cmd_match.cpp
extern const char kFetchUsage[];      // cmd_fetch.cpp
extern const char kParseUsage[];      // cmd_parse.cpp
extern const char kLoadUsage[];       // cmd_load.cpp
extern const char kServeDemoUsage[];  // cmd_serve_demo.cpp
extern const char kWatchUsage[];      // cmd_watch.cpp
extern const char kCompareUsage[];    // cmd_compare.cpp

}  // namespace lintaro::cli
