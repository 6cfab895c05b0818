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

}  // namespace lintaro::cli
